"""convergence.png: the ICCG relative residual against the iteration on a log
axis, with the solver's tolerance."""
from matplotlib.backends.backend_agg import FigureCanvasAgg
from matplotlib.figure import Figure
from matplotlib.ticker import MaxNLocator

SIZE = (1000, 600)
TOLERANCE = 1.0e-14  # the solver's fixed threshold on |Ax-b|/|b|


def draw(log, model_name, path):
    figure = Figure(figsize=(SIZE[0] / 100, SIZE[1] / 100), dpi=100)
    FigureCanvasAgg(figure)
    ax = figure.add_subplot()
    ax.semilogy(log.iterations, log.residuals, "o-", color="#1f77b4", lw=2, ms=6, label="|Ax\N{MINUS SIGN}b| / |b|")
    ax.axhline(TOLERANCE, color="#d62728", ls="--", lw=1.5, label="tolerance 1e\N{MINUS SIGN}14")
    low = min(min(log.residuals), TOLERANCE)
    high = max(max(log.residuals), TOLERANCE)
    ax.set_ylim(low / 10, high * 10)
    ax.set_xlim(0, max(log.iterations) + 10)
    ax.xaxis.set_major_locator(MaxNLocator(integer=True, steps=[1, 2, 5, 10]))
    ax.set_xlabel("ICCG iteration (the residual is tested at every 10th)", fontsize=12)
    ax.set_ylabel("relative residual |Ax\N{MINUS SIGN}b| / |b|", fontsize=12)
    ax.grid(True, which="major", alpha=0.3)
    ax.legend(fontsize=11)
    last = f"{log.residuals[-1]:.2e}"
    ending = {"converged": f"converged after {log.iterations[-1]} iterations",
              "not converged": f"not converged after {log.iterations[-1]} iterations",
              "unfinished": f"log ends at iteration {log.iterations[-1]}"}[log.outcome]
    ax.set_title(f"ICCG convergence \N{EM DASH} model \u201c{model_name}\u201d: {ending}, residual {last}", fontsize=13)
    figure.tight_layout()
    figure.savefig(path, dpi=100)
