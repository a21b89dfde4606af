"""Types of the statfs module (a C extension, which mypy cannot read)."""

import os

_Path = str | bytes | os.PathLike[str] | os.PathLike[bytes]

Version: str

def statfs(
    path: _Path, *, timeout: float | None = None
) -> tuple[int, int, int, int, int]: ...
def free_mb(path: _Path, *, timeout: float | None = None) -> int: ...
