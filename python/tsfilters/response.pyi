# Types of response.py, for type checkers and editors (test_typing checks
# that they have the module's parameters).
from typing import Literal, NamedTuple, Optional, overload

import numpy as np
import numpy.typing as npt

from typing_extensions import Unpack

# generated: imports
from ._functions import (HighPassParameters, HighPassValues, SuperSmootherParameters,
                         SuperSmootherValues, UltimateSmootherParameters,
                         UltimateSmootherValues, BandPassParameters, BandPassValues,
                         CyberneticOscillatorParameters, CyberneticOscillatorValues,
                         LaguerreFilterParameters, LaguerreFilterValues,
                         LaguerreOscillatorParameters, LaguerreOscillatorValues)
# end generated

class Response(NamedTuple):
    period: npt.NDArray[np.float64]
    gain: npt.NDArray[np.float64]
    lag: npt.NDArray[np.float64]

# generated: impulse_response
@overload
def impulse_response(name: Literal["high_pass"],
                     **parameters: Unpack[HighPassParameters]) -> Optional[npt.NDArray[np.float64]]: ...
@overload
def impulse_response(name: Literal["super_smoother"],
                     **parameters: Unpack[SuperSmootherParameters]) -> Optional[npt.NDArray[np.float64]]: ...
@overload
def impulse_response(name: Literal["ultimate_smoother"],
                     **parameters: Unpack[UltimateSmootherParameters]) -> Optional[npt.NDArray[np.float64]]: ...
@overload
def impulse_response(name: Literal["band_pass"],
                     **parameters: Unpack[BandPassParameters]) -> Optional[npt.NDArray[np.float64]]: ...
@overload
def impulse_response(name: Literal["cybernetic_oscillator"],
                     **parameters: Unpack[CyberneticOscillatorParameters]) -> Optional[npt.NDArray[np.float64]]: ...
@overload
def impulse_response(name: Literal["laguerre_filter"],
                     **parameters: Unpack[LaguerreFilterParameters]) -> Optional[npt.NDArray[np.float64]]: ...
@overload
def impulse_response(name: Literal["laguerre_oscillator"],
                     **parameters: Unpack[LaguerreOscillatorParameters]) -> Optional[npt.NDArray[np.float64]]: ...
# end generated
# generated: response
@overload
def response(name: Literal["high_pass"], max_period: float = 500,
             **parameters: Unpack[HighPassParameters]) -> Response: ...
@overload
def response(name: Literal["super_smoother"], max_period: float = 500,
             **parameters: Unpack[SuperSmootherParameters]) -> Response: ...
@overload
def response(name: Literal["ultimate_smoother"], max_period: float = 500,
             **parameters: Unpack[UltimateSmootherParameters]) -> Response: ...
@overload
def response(name: Literal["band_pass"], max_period: float = 500,
             **parameters: Unpack[BandPassParameters]) -> Response: ...
@overload
def response(name: Literal["cybernetic_oscillator"], max_period: float = 500,
             **parameters: Unpack[CyberneticOscillatorParameters]) -> Response: ...
@overload
def response(name: Literal["laguerre_filter"], max_period: float = 500,
             **parameters: Unpack[LaguerreFilterParameters]) -> Response: ...
@overload
def response(name: Literal["laguerre_oscillator"], max_period: float = 500,
             **parameters: Unpack[LaguerreOscillatorParameters]) -> Response: ...
# end generated
