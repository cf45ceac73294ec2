"""potsolve's console log: the relative residual of every tenth ICCG iteration
and how the iteration ended."""
import re
from dataclasses import dataclass

from model_files import RenderError, real

# "    10  |Ax-b|/|b| = 0.3810717E-03"
_PROGRESS = re.compile(r"^\s*(\d+)\s+\|Ax-b\|/\|b\|\s*=\s*(\S+)\s*$")


@dataclass
class Convergence:
    iterations: list
    residuals: list
    outcome: str  # "converged", "not converged" or "unfinished"


def read(path):
    try:
        with open(path, encoding="latin-1") as f:
            lines = f.read().splitlines()
    except OSError as err:
        raise RenderError(f"{path}: cannot read the solver log ({err.strerror})") from None
    iterations, residuals, outcome = [], [], "unfinished"
    # the progress records in order, and the line that ends the iteration
    for line in lines:
        m = _PROGRESS.match(line)
        if m:
            try:
                residuals.append(real(m.group(2)))
            except ValueError:
                raise RenderError(f"{path}: unreadable residual in '{line.strip()}'") from None
            iterations.append(int(m.group(1)))
        elif "ICCG iteration terminated." in line:
            outcome = "converged"
        elif "CONVERGENCE IS FAILED" in line:
            outcome = "not converged"
    if not residuals:
        raise RenderError(f"{path}: no ICCG progress line ('  10  |Ax-b|/|b| = ...'); is this potsolve's console log?")
    return Convergence(iterations, residuals, outcome)
