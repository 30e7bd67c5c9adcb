#!/usr/bin/env bash
# Builds the native benchmarks (Release, build/bench), runs them with five
# repetitions each and prints the medians, measures the heap of the table
# model for 10,000 entries under valgrind's massif, and ends with a compact
# table of every figure against its goal.
#
#   scripts/bench.sh [extra Google Benchmark options, e.g. --benchmark_filter=Code]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=build/bench
OUT=$BUILD/results
REPETITIONS=5
MIN_TIME=0.2

echo "=== Release build in $BUILD"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGLYPHWELL_BENCH=ON \
  -DGLYPHWELL_FUZZ=OFF -DGLYPHWELL_SANITIZE=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target glyphwell_bench table_heap
mkdir -p "$OUT"
rm -f "$OUT"/*

echo
echo "=== Benchmarks: $REPETITIONS repetitions each, mean / median / spread"
"$BUILD/bench/glyphwell_bench" \
  --benchmark_repetitions="$REPETITIONS" \
  --benchmark_report_aggregates_only=true \
  --benchmark_min_time="$MIN_TIME" \
  --benchmark_out="$OUT/benchmarks.json" --benchmark_out_format=json \
  "$@"

echo
echo "=== Heap of the table model, 10,000 entries"
"$BUILD/bench/table_heap" | tee "$OUT/table_heap.txt" || echo "table_heap failed"
if command -v valgrind >/dev/null; then
  valgrind --tool=massif --vgdb=yes --massif-out-file="$OUT/massif.out" \
    "$BUILD/bench/table_heap" "$OUT/massif" 2>"$OUT/massif.log" >/dev/null ||
    echo "table_heap failed under massif (see $OUT/massif.log)"
else
  echo "valgrind is not installed: only glibc's own count is available"
fi

exe=build/win/bin/Glyphwell.exe
python3 - "$OUT" "$exe" <<'EOF'
import json, os, re, sys

out, exe = sys.argv[1], sys.argv[2]
MB = 1_000_000
MIB = 1 << 20

def fmt_time(ns):
    if ns >= 1e6:
        return f"{ns / 1e6:.3f} ms"
    if ns >= 1e3:
        return f"{ns / 1e3:.2f} us"
    return f"{ns:.1f} ns"

to_ns = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}
# What one item of each benchmark is, and its goal in nanoseconds.
item_names = [("CodeText", "field"), ("HtmlFrom", "field"), ("InterpretCode", "field"),
              ("TriggerLookup", "lookup"), ("UnicodeKeyRecords", "character"),
              ("CharacterFile", "entry"), ("RowsFromRecords", "entry")]
goals = {"BM_ParseCharacterFile": 3e6, "BM_ReadCharacterFile": 3e6,
         "BM_SerializeCharacterFile": 3e6, "BM_WriteCharacterFile": 3e6,
         "BM_FindProgramRule": 1e5}

rows = []
load = ""
busy = ""
path = os.path.join(out, "benchmarks.json")
if os.path.exists(path):
    with open(path) as f:
        data = json.load(f)
    ctx = data.get("context", {})
    if ctx.get("load_avg"):
        load = ", ".join(f"{x:.2f}" for x in ctx["load_avg"])
        cpus = ctx.get("num_cpus", os.cpu_count() or 1)
        if ctx["load_avg"][0] > cpus:
            busy = (f"The machine was busy (load {ctx['load_avg'][0]:.1f} on {cpus} cores): real times "
                    "include waiting for a core; CPU times show the program's own cost.")
    for b in data.get("benchmarks", []):
        if b.get("aggregate_name") != "median" or b.get("error_occurred"):
            continue
        name = b["run_name"]
        unit = to_ns[b.get("time_unit", "ns")]
        real, cpu = b["real_time"] * unit, b["cpu_time"] * unit
        per_item = ""
        if b.get("items_per_second"):
            item = next((n for key, n in item_names if key in name), "item")
            per_item = f"{1e9 / b['items_per_second']:.1f} ns/{item}"
        goal = next((g for key, g in goals.items() if name.startswith(key)), None)
        verdict = ""
        if goal is not None:
            verdict = (f"<= {fmt_time(goal)}: real " + ("met" if real <= goal else "MISSED")
                       + ", CPU " + ("met" if cpu <= goal else "MISSED"))
        short = re.sub(r"/min_time:[0-9.]+", "", name).replace("/real_time", "")
        rows.append((short, fmt_time(real), fmt_time(cpu), per_item, verdict))

def read_massif(path):
    """Last snapshot of a massif file as (time, useful bytes, total bytes), and
    its peak snapshot likewise."""
    time = useful = extra = 0
    last = peak = (0, 0, 0)
    with open(path) as f:
        for line in f:
            key, _, value = line.strip().partition("=")
            if key == "time":
                time = int(value)
            elif key == "mem_heap_B":
                useful = int(value)
            elif key == "mem_heap_extra_B":
                extra = int(value)
            elif key == "heap_tree":
                last = (time, useful, useful + extra)
                if value == "peak":
                    peak = last
    return last, peak

def mb(n):
    return f"{n / MB:.2f} MB ({n / MIB:.2f} MiB)"

heap_rows = []
before, table, whole = (os.path.join(out, n) for n in ("massif.before", "massif.table", "massif.out"))
if os.path.exists(before) and os.path.exists(table):
    (b_time, b_useful, b_total), _ = read_massif(before)
    (_, t_useful, t_total), _ = read_massif(table)
    size = t_total - b_total
    heap_rows.append(("table heap, massif (incl. allocator overhead)", mb(size),
                      "<= 4 MB: " + ("met" if size <= 4 * MB else "MISSED")))
    heap_rows.append(("table heap, massif (bytes requested)", mb(t_useful - b_useful), ""))
    if os.path.exists(whole):
        _, (p_time, _, p_total) = read_massif(whole)
        if p_time >= b_time:
            heap_rows.append(("peak during the load (file + records + table)", mb(p_total - b_total), ""))
else:
    heap_rows.append(("table heap, massif", "not measured (see massif.log)", ""))
glibc = os.path.join(out, "table_heap.txt")
if os.path.exists(glibc):
    m = re.search(r"glibc_table_bytes (\d+)", open(glibc).read())
    if m:
        heap_rows.append(("table heap, glibc mallinfo2 (native run)", mb(int(m.group(1))), ""))
if os.path.exists(exe):
    size = os.path.getsize(exe)
    heap_rows.append(("Glyphwell.exe size", mb(size),
                      "<= 2.5 MB: " + ("met" if size <= 2.5 * MB else "MISSED")))
else:
    heap_rows.append(("Glyphwell.exe size", "not built", "(no " + exe + ")"))

print()
print("=== Summary: medians of the repetitions" + (f" (load average {load})" if load else ""))
if busy:
    print(busy)
header = ("benchmark", "real time", "CPU time", "per item", "goal")
widths = [max(len(r[i]) for r in rows + [header]) for i in range(5)]
line = lambda r: "  ".join(c.ljust(w) if i == 0 or i == 4 else c.rjust(w)
                           for i, (c, w) in enumerate(zip(r, widths))).rstrip()
print(line(header))
print("-" * (sum(widths) + 8))
for r in rows:
    print(line(r))
print()
w0 = max(len(r[0]) for r in heap_rows)
w1 = max(len(r[1]) for r in heap_rows)
for r in heap_rows:
    print(f"{r[0].ljust(w0)}  {r[1].rjust(w1)}  {r[2]}".rstrip())
EOF
