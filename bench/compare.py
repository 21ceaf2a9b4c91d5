#!/usr/bin/env python3
"""Crops the same picture with bmptool and with the other tools installed here, and reports
how long each takes and how much memory it needs.

    python3 bench/compare.py            # configures and builds build/release when needed

Every tool runs as a whole process from a warm page cache, once to warm up and then several
times in a row (or taking turns with --interleave); the table gives the median wall time,
the peak resident memory and both as a ratio to ours.
Each output is decoded independently and must hold the same pixels as ours, so that no
tool is timed doing less work. The floor is what no decoder can beat: reading the input
and writing a file of the output's size without looking at a byte.

Results go to bench/results/: comparison.md (the table and the machine it ran on),
comparison.json (every measurement) and comparison.png (the chart).
"""

import argparse
import json
import os
import platform
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import bmp_planes  # noqa: E402

ROOT = Path(__file__).resolve().parent.parent
DEPTHS = (24, 8, 16)
FLOOR = "floor"
OURS = "bmptool"


# ---- Finding the programs ------------------------------------------------------------

def python_with(module):
    """An interpreter that can import `module`: this one, or the system's."""
    for candidate in dict.fromkeys([sys.executable, "/usr/bin/python3", shutil.which("python3")]):
        if candidate and subprocess.run([candidate, "-c", "import " + module],
                                        capture_output=True).returncode == 0:
            return candidate
    return None


def find_in_build(build, name):
    for folder in (build, build / "tools", build / "bench"):
        if (folder / name).is_file() and os.access(folder / name, os.X_OK):
            return folder / name
    return None


def ensure_built(build, rebuild):
    """Our two programs in the build folder, configured and built first when asked."""
    if rebuild:
        if not (build / "CMakeCache.txt").exists():
            subprocess.run(["cmake", "--preset", "release", "-B", str(build)], cwd=ROOT,
                           check=True)
        subprocess.run(["cmake", "--build", str(build), "-j2", "--target", "bmptool",
                        "ZororazORADode", "zoro_make_inputs"], cwd=ROOT, check=True)
    return find_in_build(build, "bmptool"), find_in_build(build, "zoro_make_inputs")


# ---- The tools -------------------------------------------------------------------------

class Tool:
    """One way of making the output from the input: a pipeline of commands."""

    def __init__(self, name, shown, stages, to_stdout=False, missing=None):
        self.name = name
        self.shown = shown          # the command as the table prints it
        self.stages = stages        # function (source, destination) -> list of argv
        self.to_stdout = to_stdout  # the last stage writes the output to its standard output
        self.missing = missing      # why the tool cannot run here, or None


def crop_tools(bmptool, rect, output_bytes):
    width, height, left, top = rect
    geometry = "%dx%d+%d+%d" % rect
    tools = []

    def need(*programs):
        absent = [p for p in programs if shutil.which(p) is None]
        return "not installed: " + ", ".join(absent) if absent else None

    tools.append(Tool(OURS, "bmptool crop IN OUT %d %d %d %d" % rect,
                      lambda s, d: [[str(bmptool), "crop", s, d] + [str(v) for v in rect]],
                      missing=None if bmptool else "not built"))
    pillow = python_with("PIL")
    box = (left, top, left + width, top + height)
    tools.append(Tool("Pillow", "Image.open(IN).crop(%r).save(OUT)" % (box,),
                      lambda s, d: [[pillow, "-c",
                                     "import sys\nfrom PIL import Image\n"
                                     "Image.open(sys.argv[1]).crop(%r).save(sys.argv[2])" % (box,),
                                     s, d]],
                      missing=None if pillow else "not installed: python3-pil"))
    tools.append(Tool("ImageMagick", "convert-im6.q16 IN -crop %s +repage OUT" % geometry,
                      lambda s, d: [["convert-im6.q16", s, "-crop", geometry, "+repage", d]],
                      missing=need("convert-im6.q16")))
    tools.append(Tool("GraphicsMagick", "gm convert IN -crop %s +repage OUT" % geometry,
                      lambda s, d: [["gm", "convert", s, "-crop", geometry, "+repage", d]],
                      missing=need("gm")))
    tools.append(Tool("libvips", "vips crop IN OUT %d %d %d %d" % (left, top, width, height),
                      lambda s, d: [["vips", "crop", s, d] +
                                    [str(v) for v in (left, top, width, height)]],
                      missing=need("vips")))
    cut = ["-left", str(left), "-top", str(top), "-width", str(width), "-height", str(height)]
    tools.append(Tool("netpbm", "bmptopnm IN | pamcut %s | ppmtobmp > OUT" % " ".join(cut),
                      lambda s, d: [["bmptopnm", s], ["pamcut"] + cut, ["ppmtobmp"]],
                      to_stdout=True, missing=need("bmptopnm", "pamcut", "ppmtobmp")))
    tools.append(floor_tool(output_bytes))
    return tools


def floor_tool(output_bytes):
    """Reads the input into /dev/null and writes `output_bytes` zero bytes, a mebibyte per
    call, so that neither the bytes nor the calls cost more than they must."""
    return Tool(FLOOR, "dd if=IN of=/dev/null bs=1M; dd if=/dev/zero of=OUT bs=1M (SIZE bytes)",
                lambda s, d: [["sh", "-c", 'dd if="$1" of=/dev/null bs=1M status=none && '
                               'dd if=/dev/zero of="$3" bs=1M count="$2" iflag=count_bytes '
                               'status=none', "floor", s, str(output_bytes), d]])


# ---- Measuring -------------------------------------------------------------------------

TIME = "/usr/bin/time"


def run_once(tool, source, destination, work):
    """Wall seconds and peak resident KiB of one run; the peak of a pipeline is the sum of
    its stages' peaks, since they run at the same time.

    Each stage runs under GNU time, whose own small footprint is what a stage inherits
    before it starts: a child of this script would report the script's memory instead."""
    stages = tool.stages(source, destination)
    reports = [work / ("peak-%d.txt" % i) for i in range(len(stages))]
    stages = [[TIME, "-f", "%M", "-o", str(r)] + argv for r, argv in zip(reports, stages)]
    log = work / "stderr.txt"
    with open(log, "wb") as errors:
        output = open(destination, "wb") if tool.to_stdout else None
        start = time.perf_counter()
        processes = []
        upstream = subprocess.DEVNULL
        for i, argv in enumerate(stages):
            last = i == len(stages) - 1
            process = subprocess.Popen(argv, stdin=upstream, stderr=errors,
                                       stdout=(output if tool.to_stdout else subprocess.DEVNULL)
                                       if last else subprocess.PIPE)
            if upstream is not subprocess.DEVNULL:
                upstream.close()
            upstream = process.stdout if not last else None
            processes.append(process)
        failed = False
        for process in processes:
            failed = process.wait() != 0 or failed
        seconds = time.perf_counter() - start
        if output:
            output.close()
    if failed:
        raise RuntimeError(log.read_text(errors="replace").strip() or "failed")
    return seconds, sum(int(r.read_text().split()[-1]) for r in reports)


def measure(tools, source, work, label, runs, interleave):
    """Runs every tool once to warm up and then `runs` times, all runs of a tool one after
    the other, as a benchmark runner does; with `interleave` the tools take turns instead,
    so that a disturbance falls on all of them alike. Returns {name: result}."""
    with open(source, "rb") as stream:  # into the page cache
        while stream.read(1 << 24):
            pass
    results = {}
    for tool in tools:
        results[tool.name] = {"shown": tool.shown, "times": [], "peaks": [],
                              "output": str(work / ("%s-%s.bmp" % (label, tool.name))),
                              "error": tool.missing}
    if interleave:
        order = [(r, tool) for r in range(runs + 1) for tool in tools]
    else:
        order = [(r, tool) for tool in tools for r in range(runs + 1)]
    for round_number, tool in order:
        result = results[tool.name]
        if result["error"]:
            continue
        output = Path(result["output"])
        if output.exists():
            output.unlink()
        try:
            seconds, peak = run_once(tool, source, str(output), work)
        except (OSError, RuntimeError) as error:
            result["error"] = "failed: " + str(error).splitlines()[-1][:120]
            continue
        if round_number > 0:
            result["times"].append(seconds)
            result["peaks"].append(peak)
    for result in results.values():
        if result["times"]:
            result["median"] = statistics.median(result["times"])
            result["peak_mib"] = max(result["peaks"]) / 1024
    return results


# ---- Checking the pixels ---------------------------------------------------------------

def widened_alike(ours, theirs):
    """True when both planes hold the same stored samples, each tool widening them to 8 bits
    its own way: every value of theirs stands for one value of ours, in the same order.
    16-bit inputs need this, since the tools widen 5 or 6 stored bits as they see fit while
    our reader keeps the top 5 bits of every channel, times 8."""
    codes = bytearray(2 * len(ours))
    codes[0::2] = theirs
    codes[1::2] = ours
    meaning = {}
    for code in set(memoryview(codes).cast("H")):
        if meaning.setdefault(code & 0xFF, code >> 8) != code >> 8:
            return False
    values = [meaning[v] for v in sorted(meaning)]
    return values == sorted(values)


def first_difference(a, b, width):
    for index, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return "first at (%d, %d)" % (index % width, index // width)
    return "sizes differ"


def check_pixels(results, reference_name, input_depth):
    """Marks each result with whether its output holds the reference's pixels."""
    reference = results.get(reference_name)
    if not reference or reference["error"]:
        return
    width, height, expected = bmp_planes.read_planes(reference["output"])
    for name, result in results.items():
        if name in (reference_name, FLOOR) or result["error"]:
            continue
        try:
            got_width, got_height, planes = bmp_planes.read_planes(result["output"])
        except (OSError, bmp_planes.Unsupported) as error:
            result["same"] = "unreadable: %s" % error
            continue
        if (got_width, got_height) != (width, height):
            result["same"] = "no: %d x %d" % (got_width, got_height)
        elif input_depth == 16:
            alike = all(widened_alike(e, p) for e, p in zip(expected, planes))
            result["same"] = "same samples" if alike else "no: other samples"
        else:
            differing = [c for c in range(3) if planes[c] != expected[c]]
            result["same"] = "yes" if not differing else "no: " + first_difference(
                planes[differing[0]], expected[differing[0]], width)
    reference["same"] = "reference"


# ---- Reporting -------------------------------------------------------------------------

def ratio(value, base):
    return "%.2f" % (value / base) if base else "-"


def table(results, title):
    """A markdown table of one set of runs; pipes in commands are escaped for the table."""
    ours = results.get(OURS, {})
    lines = ["#### " + title, "",
             "| Tool | Command | Median wall time (s) | Peak memory (MiB) | Time / ours "
             "| Memory / ours | Same pixels |",
             "|---|---|---:|---:|---:|---:|---|"]
    for name, result in results.items():
        shown = result["shown"].replace("|", "\\|")
        if "median" not in result:
            lines.append("| %s | `%s` | %s | | | | |" % (name, shown, result["error"]))
            continue
        lines.append("| %s | `%s` | %.3f | %.0f | %s | %s | %s |" % (
            name, shown, result["median"], result["peak_mib"],
            ratio(result["median"], ours.get("median")),
            ratio(result["peak_mib"], ours.get("peak_mib")),
            "-" if name == FLOOR else result.get("same", "not checked")))
    return "\n".join(lines) + "\n"


def target_lines(crops, roundtrip):
    """The performance targets, each with the figures it is judged on."""
    lines = []
    results = crops.get(24, {})
    ours = results.get(OURS, {})
    peers = [r for n, r in results.items() if n not in (OURS, FLOOR) and "median" in r]
    if "median" in ours and peers:
        fastest = min(peers, key=lambda r: r["median"])
        name = next(n for n, r in results.items() if r is fastest)
        lines.append("- Crop at most half the fastest peer's time (%s, %.3f s): ours %.3f s, "
                     "%s" % (name, fastest["median"], ours["median"],
                             "met" if ours["median"] <= fastest["median"] / 2 else "NOT met"))
        lines.append("- Crop memory no more than %s's (%.0f MiB): ours %.0f MiB, %s" % (
            name, fastest["peak_mib"], ours["peak_mib"],
            "met" if ours["peak_mib"] <= fastest["peak_mib"] else "NOT met"))
    ours, floor = roundtrip.get(OURS, {}), roundtrip.get(FLOOR, {})
    if "median" in ours and "median" in floor:
        lines.append("- Load and save within twice the floor (%.3f s): ours %.3f s, %s" % (
            floor["median"], ours["median"],
            "met" if ours["median"] <= 2 * floor["median"] else "NOT met"))
    return lines


def first_line(argv):
    try:
        done = subprocess.run(argv, capture_output=True, text=True, timeout=30)
    except (OSError, subprocess.TimeoutExpired):
        return "not installed"
    text = (done.stdout or done.stderr).strip().splitlines()
    return text[0] if text else "unknown"


def machine_note(load_before, load_after):
    cpu = "unknown"
    with open("/proc/cpuinfo") as info:
        for line in info:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    memory = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / 2 ** 30
    system = platform.freedesktop_os_release().get("PRETTY_NAME", "Linux") if hasattr(
        platform, "freedesktop_os_release") else platform.platform()
    pillow = python_with("PIL")
    versions = [
        "ours " + first_line(["git", "-C", str(ROOT), "describe", "--always", "--dirty"]),
        "Pillow " + (first_line([pillow, "-c", "import PIL; print(PIL.__version__)"])
                     if pillow else "not installed"),
        first_line(["convert-im6.q16", "-version"]).replace("Version: ", ""),
        first_line(["gm", "-version"]),
        first_line(["vips", "--version"]),
        first_line(["bmptopnm", "--version"]).replace("bmptopnm: Using libnetpbm from ", ""),
    ]
    return ("Machine: %s, %d cores, %.0f GiB of memory; %s, kernel %s. Load average "
            "%.2f before the run and %.2f after it. Versions: %s.") % (
        cpu, os.cpu_count(), memory, system, platform.release(), load_before, load_after,
        "; ".join(versions))


def draw_chart(data, path):
    """The bar chart: wall time and peak memory of every tool at each input depth."""
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plot

    depths = [str(d) for d in DEPTHS if str(d) in data["crops"]]
    names = [n for n in data["crops"][depths[0]] if "median" in data["crops"][depths[0]][n]]
    figure, axes = plot.subplots(1, 2, figsize=(12, 0.6 * len(names) + 2), sharey=True)
    height = 0.8 / len(depths)
    colours = {"24": "#1f77b4", "8": "#ff7f0e", "16": "#2ca02c"}
    for k, depth in enumerate(depths):
        results = data["crops"][depth]
        positions = [i + (k - (len(depths) - 1) / 2) * height for i in range(len(names))]
        for axis, key in zip(axes, ("median", "peak_mib")):
            values = [results.get(n, {}).get(key, 0) for n in names]
            bars = axis.barh(positions, values, height, label="%s-bit input" % depth,
                             color=colours.get(depth))
            axis.bar_label(bars, fmt="%.2f" if key == "median" else "%.0f", fontsize=7,
                           padding=2)
    axes[0].set_yticks(range(len(names)), names)
    axes[0].invert_yaxis()
    axes[0].set_xlabel("median wall time (s)")
    axes[1].set_xlabel("peak resident memory (MiB)")
    axes[0].legend(loc="lower right")
    rect = data["rect"]
    figure.suptitle("Cropping %d x %d at (%d, %d) out of a %s picture, whole processes"
                    % (rect[0], rect[1], rect[2], rect[3], data["size"]))
    figure.tight_layout()
    figure.savefig(path, dpi=100)


def chart(data, path):
    """Draws here if matplotlib is at hand, otherwise with an interpreter that has it."""
    try:
        import matplotlib  # noqa: F401
    except ImportError:
        interpreter = python_with("matplotlib")
        if interpreter is None:
            print("no chart: matplotlib is not installed", file=sys.stderr)
            return
        source = path.with_suffix(".json")
        subprocess.run([interpreter, __file__, "--chart-from", str(source), str(path)],
                       check=True)
        return
    draw_chart(data, path)


# ---- The whole run ---------------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", type=Path, default=ROOT / "build" / "release",
                        help="build folder with bmptool (default: build/release)")
    parser.add_argument("--no-build", action="store_true",
                        help="use the build folder as it is instead of building first")
    parser.add_argument("--runs", type=int, default=5, help="timed runs per tool (default 5)")
    parser.add_argument("--interleave", action="store_true",
                        help="let the tools take turns instead of running each one's runs "
                        "in a row")
    parser.add_argument("--size", default="8000x6000", help="input size (default 8000x6000)")
    parser.add_argument("--work", type=Path, help="folder for inputs and outputs "
                        "(default: BUILD/compare)")
    parser.add_argument("--results", type=Path, default=ROOT / "bench" / "results")
    parser.add_argument("--chart-from", nargs=2, metavar=("JSON", "PNG"), help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.chart_from:
        with open(args.chart_from[0]) as stream:
            draw_chart(json.load(stream), args.chart_from[1])
        return 0

    if not os.access(TIME, os.X_OK):
        print("GNU time (%s) is needed to measure peak memory" % TIME, file=sys.stderr)
        return 1
    width, height = (int(v) for v in args.size.lower().split("x"))
    rect = (width // 2, height // 2, width // 4, height // 4)
    build = args.build.resolve()
    bmptool, make_inputs = ensure_built(build, not args.no_build)
    work = (args.work or build / "compare").resolve()
    work.mkdir(parents=True, exist_ok=True)
    load_before = os.getloadavg()[0]

    inputs = {d: work / ("picture-%d.bmp" % d) for d in DEPTHS}
    stamp = work / ("picture-%s.stamp" % args.size)
    if not stamp.exists() or any(not p.exists() for p in inputs.values()):
        if make_inputs is None:
            print("zoro_make_inputs is not built and there are no inputs in %s" % work,
                  file=sys.stderr)
            return 1
        print("writing the inputs (%s) into %s" % (args.size, work), file=sys.stderr)
        for old in work.glob("picture-*.stamp"):
            old.unlink()
        subprocess.run([str(make_inputs), str(work), str(width), str(height)], check=True)
        stamp.touch()

    output_bytes = 54 + (rect[0] * 3 + 3) // 4 * 4 * rect[1]  # a 24-bit file of the rectangle
    crops = {}
    for depth in DEPTHS:
        tools = crop_tools(bmptool, rect, output_bytes)
        print("cropping the %d-bit input" % depth, file=sys.stderr)
        crops[depth] = measure(tools, str(inputs[depth]), work, "crop%d" % depth, args.runs,
                               args.interleave)
        reference = OURS if not crops[depth][OURS]["error"] else next(
            (n for n, r in crops[depth].items() if n != FLOOR and not r["error"]), None)
        check_pixels(crops[depth], reference, depth)

    print("loading and saving the 24-bit input", file=sys.stderr)
    convert = [Tool(OURS, "bmptool convert IN OUT --depth 24",
                    lambda s, d: [[str(bmptool), "convert", s, d, "--depth", "24"]],
                    missing=None if bmptool else "not built"),
               floor_tool(inputs[24].stat().st_size)]
    roundtrip = measure(convert, str(inputs[24]), work, "roundtrip", args.runs, args.interleave)
    if not roundtrip[OURS]["error"]:
        _, _, expected = bmp_planes.read_planes(str(inputs[24]))
        _, _, planes = bmp_planes.read_planes(roundtrip[OURS]["output"])
        roundtrip[OURS]["same"] = "yes" if planes == expected else "no"

    load_after = os.getloadavg()[0]
    note = machine_note(load_before, load_after)
    report = ["### Cropping %d x %d at left %d, top %d out of the %s picture" % (
        rect + (args.size,)), "",
              "Median of %d runs per tool after one warm-up run, %s; peak memory is the "
              "largest of the runs." % (args.runs, "the tools taking turns" if args.interleave
                                        else "each tool's runs in a row"), ""]
    for depth in DEPTHS:
        report.append(table(crops[depth], "%d-bit input" % depth))
    report.append(table(roundtrip, "Loading and saving the whole 24-bit picture"))
    report += ["#### Targets", ""] + target_lines(crops, roundtrip) + ["", note, ""]
    text = "\n".join(report)
    print(text)

    args.results.mkdir(parents=True, exist_ok=True)
    data = {"size": args.size, "rect": rect, "runs": args.runs, "machine": note,
            "crops": {str(d): r for d, r in crops.items()}, "roundtrip": roundtrip}
    (args.results / "comparison.md").write_text(text)
    with open(args.results / "comparison.json", "w") as stream:
        json.dump(data, stream, indent=1)
    chart(data, args.results / "comparison.png")
    return 0


if __name__ == "__main__":
    sys.exit(main())
