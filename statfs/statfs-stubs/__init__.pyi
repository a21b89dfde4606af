"""Types of the statfs module (a C extension, which mypy cannot read)."""

import os

_Path = str | bytes | os.PathLike[str] | os.PathLike[bytes]

Version: str

# With a timeout, the call runs on a thread of the module's: a thread whose
# call has answered waits 2 s, idle, for the next, which then costs a few
# microseconds more than a call without a timeout (one that starts a
# thread, some tens); one thread at most waits so, and it holds up neither
# the process's exit nor a child of fork().  Without one (None), the call
# starts no thread.

def statfs(
    path: _Path, *, timeout: float | None = None
) -> tuple[int, int, int, int, int]: ...
def free_mb(path: _Path, *, timeout: float | None = None) -> int: ...
