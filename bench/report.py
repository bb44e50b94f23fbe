#!/usr/bin/env python3
"""Turns the raw figures of one benchmark run into the table that bench/run
prints: each figure the median (with min and max) of its runs, each target
computed from the baseline measured in the same run.

Usage: report.py RESULTS_FOLDER   (holding runs.txt, sizes.txt, scale.txt, meta.txt)
"""
import collections
import os
import statistics
import sys

PAUSES_MS = 6000  # the six fixed pauses of a whole update


def read_runs(path):
    """{label: {key: [values]}} from lines "label run=n key=value ..."; a run
    whose update did not complete counts as a failure, not as a figure."""
    runs = collections.defaultdict(lambda: collections.defaultdict(list))
    failures = collections.Counter()
    if not os.path.exists(path):
        return runs, failures
    for line in open(path):
        fields = line.split()
        if len(fields) < 2 or "=" not in fields[1]:
            continue
        values = dict(field.split("=", 1) for field in fields[1:])
        if values.get("ok") != "1":
            failures[fields[0]] += 1
            continue
        for key, value in values.items():
            runs[fields[0]][key].append(float(value))
    return runs, failures


def read_pairs(path):
    pairs = {}
    if os.path.exists(path):
        for line in open(path):
            key, _, value = line.rstrip("\n").partition(" ")
            pairs[key] = value.strip()
    return pairs


class Figure:
    def __init__(self, values, scale=1.0, offset=0.0):
        self.values = [v * scale + offset for v in values]

    def __bool__(self):
        return bool(self.values)

    @property
    def median(self):
        return statistics.median(self.values)

    def text(self, unit, digits=0):
        if not self.values:
            return "—"
        form = f"{{:.{digits}f}}"
        return (f"{form.format(self.median)} {unit} "
                f"({form.format(min(self.values))}–{form.format(max(self.values))})")


def verdict(value, limit, higher_is_better=False):
    if value is None or limit is None:
        return ""
    good = value >= limit if higher_is_better else value <= limit
    return "met" if good else "**behind**"


def main():
    folder = sys.argv[1]
    runs, failures = read_runs(os.path.join(folder, "runs.txt"))
    sizes = read_pairs(os.path.join(folder, "sizes.txt"))
    meta = read_pairs(os.path.join(folder, "meta.txt"))

    def figure(label, key, scale=1.0, offset=0.0):
        return Figure(runs[label][key], scale, offset)

    def median(label, key):
        values = runs[label][key]
        return statistics.median(values) if values else None

    count = max((len(v["run"]) for v in runs.values()), default=0)
    print(f"Benchmark of {meta.get('date', '?')} on {meta.get('cores', '?')} cores, load average "
          f"{meta.get('load_before', '?')} before and {meta.get('load_after', '?')} after; "
          f"{count} runs per figure after a warm-up, each figure median (min–max).")
    print(f"Programs measured: {meta.get('programs', '?')}; sizes are those of the shipped 32-bit programs.")
    if failures:
        print("\nRuns that did not complete (left out): "
              + ", ".join(f"{label} {n}" for label, n in sorted(failures.items())))

    exit_bare = median("bare-exit", "exit_ms")
    window_visible = median("bare-window", "visible_ms")
    window_exit = median("bare-window", "exit_ms")
    window_peak = median("bare-window-held", "peak_kib")
    dialog_peak = median("dialog-window-held", "peak_kib")

    print("\n| Baseline: Wine alone | |\n|---|---|")
    print(f"| GUI program that ends at once: start → exit | {figure('bare-exit', 'exit_ms').text('ms', 1)} |")
    print(f"| Program with one window: start → visible | {figure('bare-window', 'visible_ms').text('ms', 1)} |")
    print(f"| Program with one window: start → exit (closed when seen) | "
          f"{figure('bare-window', 'exit_ms').text('ms', 1)} |")
    print(f"| Program with one window, held open 1 s: peak working set | "
          f"{figure('bare-window-held', 'peak_kib', 1 / 1024).text('MiB', 1)} |")
    print(f"| Progress window alone (its dialog template, pictures and font), held open 1 s: start → visible | "
          f"{figure('dialog-window-held', 'visible_ms').text('ms', 1)} |")
    print(f"| … its peak working set | {figure('dialog-window-held', 'peak_kib', 1 / 1024).text('MiB', 1)} |")

    print(f"| Payload stand-in, run as the updater runs it: start → exit | "
          f"{figure('payload-alone', 'exit_ms').text('ms', 1)} |")
    print(f"| Application stand-in: start → visible | {figure('app-alone', 'visible_ms').text('ms', 1)} |")

    overhead_target = (window_exit + exit_bare + window_visible + 50
                       if None not in (window_exit, exit_bare, window_visible) else None)
    payload_alone = median("payload-alone", "exit_ms")
    app_alone = median("app-alone", "visible_ms")
    standin_target = (window_exit + payload_alone + app_alone + 50
                      if None not in (window_exit, payload_alone, app_alone) else None)
    startup_target = window_visible + 20 if window_visible is not None else None
    memory_target = dialog_peak / 1024 + 0.5 if dialog_peak is not None else None
    # Processor time: at most what the peer with the same six pauses uses in
    # the same run.
    cpu_target = median("peer-pauses", "cpu_ms")
    server_target = median("peer-pauses", "server_cpu_ms")

    setup_overhead = figure("setup", "exit_ms", offset=-PAUSES_MS)
    rows = [
        ("Overhead of a whole update: start → exit − 6000 ms of pauses",
         setup_overhead.text("ms"),
         f"≤ {overhead_target:.0f} ms" if overhead_target else "",
         verdict(setup_overhead.median if setup_overhead else None, overhead_target),
         figure("peer-pauses", "exit_ms", offset=-PAUSES_MS).text("ms"),
         figure("peer", "exit_ms").text("ms")),
        ("… the same target counted with the stand-ins' own costs (payload stand-in start → exit, "
         "application stand-in start → visible)", "",
         f"≤ {standin_target:.0f} ms" if standin_target else "",
         verdict(setup_overhead.median if setup_overhead else None, standin_target), "", ""),
        ("Start-up: start → progress window visible",
         figure("setup", "visible_ms").text("ms", 1),
         f"≤ {startup_target:.1f} ms" if startup_target else "",
         verdict(median("setup", "visible_ms"), startup_target),
         figure("peer-pauses", "visible_ms").text("ms", 1),
         figure("peer", "visible_ms").text("ms", 1)),
        ("Reaction: application ended → “アップデートを行っています。”",
         figure("setup-react", "reaction_ms").text("ms", 1), "≤ 150 ms",
         verdict(median("setup-react", "reaction_ms"), 150),
         "", figure("peer-react", "reaction_ms").text("ms", 1)),
        ("Peak working set",
         figure("setup", "peak_kib", 1 / 1024).text("MiB", 1),
         f"≤ {memory_target:.1f} MiB" if memory_target else "",
         verdict(median("setup", "peak_kib") / 1024 if median("setup", "peak_kib") else None, memory_target),
         figure("peer-pauses", "peak_kib", 1 / 1024).text("MiB", 1),
         figure("peer", "peak_kib", 1 / 1024).text("MiB", 1)),
        ("Processor time of the updater's process, whole update",
         figure("setup", "cpu_ms").text("ms"),
         f"≤ {cpu_target:.0f} ms" if cpu_target is not None else "",
         verdict(median("setup", "cpu_ms"), cpu_target),
         figure("peer-pauses", "cpu_ms").text("ms"), figure("peer", "cpu_ms").text("ms")),
        ("… of which in the six pauses (busy share in a pause × 6000 ms)",
         figure("setup", "pause_cpu_share", PAUSES_MS).text("ms"), "", "",
         figure("peer-pauses", "pause_cpu_share", PAUSES_MS).text("ms"), ""),
        ("Processor time of the wineserver meanwhile",
         figure("setup", "server_cpu_ms").text("ms"),
         f"≤ {server_target:.0f} ms" if server_target is not None else "",
         verdict(median("setup", "server_cpu_ms"), server_target),
         figure("peer-pauses", "server_cpu_ms").text("ms"), figure("peer", "server_cpu_ms").text("ms")),
        ("… of which in the six pauses (its busy share in a pause × 6000 ms)",
         figure("setup", "pause_server_share", PAUSES_MS).text("ms"), "", "",
         figure("peer-pauses", "pause_server_share", PAUSES_MS).text("ms"), ""),
    ]
    print("\n| Whole update (\"/Automatically\", application not running unless said) | Setup.exe | target | "
          "| NSIS peer, six pauses | NSIS peer, no pauses |")
    print("|---|---|---|---|---|---|")
    for row in rows:
        print("| " + " | ".join(row) + " |")

    print_phases(runs)

    stub = int(sizes.get("stub_bytes", "0") or 0)
    code = int(sizes.get("setup_code_data", "0") or 0)
    print("\n| Size | ours | target | | NSIS peer |\n|---|---|---|---|---|")
    print(f"| Stub.exe | {stub} bytes | ≤ 3072 bytes | {verdict(stub, 3072)} | |")
    print(f"| Setup.exe code and data (all sections but resources) | {code} bytes | ≤ 16384 bytes | "
          f"{verdict(code, 16384)} | |")
    print(f"| Setup.exe resources (payload, Stub, pictures, guide) | {sizes.get('setup_resources', '?')} bytes "
          f"| | | |")
    print(f"| Whole file, same payload | {sizes.get('setup_bytes', '?')} bytes | | | "
          f"{sizes.get('peer_bytes', '?')} bytes, and System.dll ({sizes.get('peer_plugin_bytes', '?')} bytes) "
          f"unpacked to a temporary folder at run time |")
    print(f"| Imports of Stub.exe | {sizes.get('stub_imports', '?')} | | | |")
    print(f"| Imports | {sizes.get('setup_imports', '?')} | | | {sizes.get('peer_imports', '?')} |")

    print_scale(os.path.join(folder, "scale.txt"), window_peak)
    print_kept_copy(os.path.join(folder, "scale.txt"))


def print_phases(runs):
    """Where a whole update's time goes, between the status texts as an
    observer sees them appear, each less the fixed pauses inside it."""
    phases = [
        ("Start → progress window visible", None, "visible_ms", 0),
        ("Visible → “アップデートの準備を行っています。”", "visible_ms", "preparing_ms", 0),
        ("→ “…準備が完了しました。” − 1000 ms: registry, version record", "preparing_ms", "prepared_ms", 1000),
        ("→ “アップデートを行っています。”: application closed, companion windows", "prepared_ms", "updating_ms", 0),
        ("→ “アップデートが完了しました。” − 3000 ms: payload written, run, awaited, deleted; "
         "version recorded", "updating_ms", "updated_ms", 3000),
        ("→ “アップデートを終了しています。” − 1000 ms", "updated_ms", "ending_ms", 1000),
        ("→ exit − 1000 ms: window destroyed, application started and input-idle, exit",
         "ending_ms", "exit_ms", 1000),
    ]
    print("\n| Where a whole update's time goes (each less its pauses) | Setup.exe | NSIS peer, six pauses |")
    print("|---|---|---|")
    for name, begin, end, pauses in phases:
        cells = []
        for label in ("setup", "peer-pauses"):
            values = runs[label]
            ends = values[end]
            begins = values[begin] if begin else [0.0] * len(ends)
            spans = [e - b - pauses for b, e in zip(begins, ends)] if len(begins) == len(ends) else []
            cells.append(Figure(spans).text("ms", 1))
        print(f"| {name} | " + " | ".join(cells) + " |")


# Below this a write is over before the watcher wakes up: no speed is read
# from such figures.
WATCHER_RESOLUTION_MS = 1.0


def speed_against(floor, write):
    """The write's speed as a share of the floor's, or None when either was
    too fast to time."""
    if not floor or not write or min(floor.median, write.median) < WATCHER_RESOLUTION_MS:
        return None
    return floor.median / write.median


def print_scale(path, window_peak_kib):
    """Start-up and write speed as the payload grows, and memory: the peak
    above Wine's floor (the bare window's peak) against the payload, to show
    whether a second copy of the payload is held. The write is held against
    Linux's own write() of the same bytes from memory, the floor for bytes
    that a program holds in memory; cp, which copies inside the kernel, is
    shown for information."""
    if not os.path.exists(path):
        return
    runs, failures = read_runs(path)
    kinds = {"write": collections.defaultdict(list), "cp": collections.defaultdict(list),
             "native": collections.defaultdict(list)}
    fast = collections.Counter()
    for line in open(path):
        fields = line.split()
        if len(fields) >= 3 and fields[0] in kinds:
            kinds[fields[0]][int(fields[1])].append(float(fields[2]))
            if "same-wakeup" in fields:
                fast[(fields[0], int(fields[1]))] += 1
    floor = window_peak_kib / 1024 if window_peak_kib else 0
    writes, copies, natives = kinds["write"], kinds["cp"], kinds["native"]
    print("\n| Payload | start → progress window visible | write of the payload file "
          "| Linux's write() from memory | speed against it (target ≥ 0.9) | "
          "| cp of the same bytes | speed against cp "
          f"| peak working set | above Wine's floor ({floor:.1f} MiB): target ≤ payload + 8 MiB | "
          "| whole update − 6000 ms |")
    print("|---|---|---|---|---|---|---|---|---|---|---|---|")
    for mib in sorted(writes.keys() | copies.keys() | natives.keys()):
        label = f"scale-{mib}"
        write, copy, native = Figure(writes[mib]), Figure(copies[mib]), Figure(natives[mib])
        ratio = speed_against(copy, write)
        native_ratio = speed_against(native, write)
        peak = Figure(runs[label]["peak_kib"], 1 / 1024)
        above = peak.median - floor if peak else None
        note = ""
        if any(fast[(kind, mib)] for kind in kinds):
            note = " (some below the watcher's wake-up time)"
        print(f"| {mib} MiB | {Figure(runs[label]['visible_ms']).text('ms', 1)} | {write.text('ms', 1)}{note} | "
              f"{native.text('ms', 1)} | {f'{native_ratio:.2f}' if native_ratio else '—'} | "
              f"{verdict(native_ratio, 0.9, True)} | {copy.text('ms', 1)} | {f'{ratio:.2f}' if ratio else '—'} | "
              f"{peak.text('MiB', 1)} | "
              f"{f'{above:.1f}' if above is not None else '—'} MiB (≤ {mib + 8}) | {verdict(above, mib + 8)} | "
              f"{Figure(runs[label]['exit_ms'], 1, -PAUSES_MS).text('ms')} |")
    if failures:
        print("\nScale runs that did not complete: " + ", ".join(f"{k} {n}" for k, n in sorted(failures.items())))


def print_kept_copy(path):
    """The kept copy of the application folder: keeping it before the payload
    (free-space walk and copy, each file flushed and checksummed), reading
    it back against its checksums (what a restore or a recovery does first), putting the folder back from it when every
    file had changed and when none had, removing it, each by the updater's
    own code, against cp -a of the same folder; and the timing program's
    peak working set, which must not grow with the folder."""
    if not os.path.exists(path):
        return
    kept = collections.defaultdict(lambda: collections.defaultdict(list))
    copies = collections.defaultdict(list)
    failures = collections.Counter()
    for line in open(path):
        fields = line.split()
        if len(fields) < 3 or fields[0] not in ("kept", "kept-cp"):
            continue
        mib = int(fields[1])
        values = dict(field.split("=", 1) for field in fields[2:])
        if fields[0] == "kept-cp":
            copies[mib].append(float(values["ms"]))
        elif values.get("ok") != "1":
            failures[mib] += 1
        else:
            for key in ("keep_ms", "verify_ms", "restore_ms", "restore_unchanged_ms", "discard_ms", "peak_kib"):
                kept[mib][key].append(float(values[key]))
    if not kept:
        return
    sizes = sorted(kept)
    peaks = {mib: Figure(kept[mib]["peak_kib"], 1 / 1024) for mib in sizes}
    growth = peaks[sizes[-1]].median - peaks[sizes[0]].median
    print("\n| Application folder | keep a copy (free-space walk, copy) | check the copy | put back, every file changed "
          "| put back, none changed | remove the copy | cp -a of the folder | keep against cp "
          "| put back against cp | peak working set |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    for mib in sizes:
        keep, restore, copy = Figure(kept[mib]["keep_ms"]), Figure(kept[mib]["restore_ms"]), Figure(copies[mib])
        ratio = (lambda figure: f"{figure.median / copy.median:.2f} × cp" if copy and copy.median > 0 else "—")
        print(f"| {mib} MiB | {keep.text('ms', 1)} | {Figure(kept[mib]['verify_ms']).text('ms', 1)} | "
              f"{restore.text('ms', 1)} | "
              f"{Figure(kept[mib]['restore_unchanged_ms']).text('ms', 1)} | "
              f"{Figure(kept[mib]['discard_ms']).text('ms', 1)} | {copy.text('ms', 1)} | {ratio(keep)} | "
              f"{ratio(restore)} | {peaks[mib].text('MiB', 1)} |")
    print(f"\nPeak working set from {sizes[0]} to {sizes[-1]} MiB: {growth:+.1f} MiB "
          f"(target: does not grow with the folder, ≤ +1 MiB) — {verdict(growth, 1.0)}")
    if failures:
        print("\nKept-copy runs that failed: " + ", ".join(f"{k} MiB {n}" for k, n in sorted(failures.items())))


if __name__ == "__main__":
    main()
