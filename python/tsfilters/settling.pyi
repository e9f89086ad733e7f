# Types of settling.py, for type checkers and editors (test_typing checks
# that they have the module's parameters).
from typing import Optional, Union

def settling_length(name: str, tolerance: float = 0.01,
                    **parameters: Union[int, float]) -> Optional[int]: ...
def default_table() -> list[tuple[str, dict[str, Union[int, float]], int]]: ...
