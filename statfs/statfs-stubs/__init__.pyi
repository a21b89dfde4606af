# Types of the statfs module, for type checkers (a stub-only package).
import os
from typing import Tuple, Union

Version: str

def statfs(path: Union[str, bytes, os.PathLike]) -> Tuple[int, int, int, int, int]: ...
def free_mb(path: Union[str, bytes, os.PathLike]) -> int: ...
