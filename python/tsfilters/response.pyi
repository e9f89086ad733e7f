# Types of response.py, for type checkers and editors (test_typing checks
# that they have the module's parameters).
from typing import NamedTuple, Optional, Union

import numpy as np
import numpy.typing as npt

from ._functions import FilterName

class Response(NamedTuple):
    period: npt.NDArray[np.float64]
    gain: npt.NDArray[np.float64]
    lag: npt.NDArray[np.float64]

def impulse_response(name: FilterName,
                     **parameters: Union[int, float]) -> Optional[npt.NDArray[np.float64]]: ...
def response(name: FilterName, max_period: float = 500,
             **parameters: Union[int, float]) -> Response: ...
