"""Coverage of src/ from gcovr's reports, checked against the reviewed list of lines left uncovered.

usage: coverage_report.py SUMMARY.json LINES.json EXEMPTIONS.txt

Prints line and branch coverage per file and in total, then every uncovered line that the list
does not name, with its text. A line counts once however many template instances hold it, and
is covered when any of them ran it. Fails under MINIMUM percent of lines, on an uncovered line
missing from the list, and on a listed line that is covered, not code, or has no accepted reason.
"""

import collections
import json
import pathlib
import sys

MINIMUM = 95.0
# The only reasons a line may stay uncovered; each entry says why after the colon.
REASONS = ("unreachable:", "failed allocation:")


def read_exemptions(path):
    """{(file, line): reason} from 'file:line  reason' lines; '#' starts a comment line."""
    listed, errors = {}, []
    for number, text in enumerate(pathlib.Path(path).read_text().splitlines(), 1):
        if not text.strip() or text.startswith("#"):
            continue
        where, _, reason = text.partition(" ")
        file, _, line = where.rpartition(":")
        reason = reason.strip()
        if not file or not line.isdigit() or not reason.startswith(REASONS) or not reason.partition(":")[2].strip():
            errors.append(f"{path}:{number}: not 'file:line  {' or '.join(REASONS)} why': {text}")
        else:
            listed[file, int(line)] = reason
    return listed, errors


def uncovered_and_code_lines(lines_json):
    """{file: set of uncovered line numbers}, {file: set of code line numbers}, instances merged."""
    uncovered, code = {}, {}
    for entry in json.loads(pathlib.Path(lines_json).read_text())["files"]:
        counts = collections.defaultdict(int)
        for line in entry["lines"]:
            counts[line["line_number"]] = max(counts[line["line_number"]], line["count"])
        uncovered[entry["file"]] = {n for n, count in counts.items() if count == 0}
        code[entry["file"]] = set(counts)
    return uncovered, code


def percent(covered, total):
    return f"{100.0 * covered / total:6.1f}%" if total else "     -"


def main(summary_json, lines_json, exemptions_txt):
    summary = json.loads(pathlib.Path(summary_json).read_text())
    uncovered, code = uncovered_and_code_lines(lines_json)
    listed, errors = read_exemptions(exemptions_txt)

    print(f"\n{'file':34} {'lines':>14} {'':7} {'branches':>14}")
    for f in sorted(summary["files"], key=lambda f: f["filename"]):
        name = f["filename"]
        print(f"{name:34} {f['line_covered']:6}/{f['line_total']:<6} {percent(f['line_covered'], f['line_total'])}"
              f" {f['branch_covered']:6}/{f['branch_total']:<6} {percent(f['branch_covered'], f['branch_total'])}")
        # The table (gcovr's) and the list below (read from its line report) must count the same lines.
        if f["line_total"] - f["line_covered"] != len(uncovered.get(name, ())):
            errors.append(f"{name}: the summary and the line report disagree on uncovered lines")
    lines = summary["line_covered"], summary["line_total"]
    print(f"{'total':34} {lines[0]:6}/{lines[1]:<6} {percent(*lines)}"
          f" {summary['branch_covered']:6}/{summary['branch_total']:<6} "
          f"{percent(summary['branch_covered'], summary['branch_total'])}")

    # Every source is in the table or named here: a header of declarations only has no line to count,
    # but a .cpp file missing from the table was never built into what the tests ran.
    reported = {f["filename"] for f in summary["files"]}
    unreported = sorted(str(p) for p in pathlib.Path("src").rglob("*.[ch]pp") if str(p) not in reported)
    print("no lines to count in: " + (", ".join(unreported) or "none"))
    errors += [f"{name}: not built into the module or the driver" for name in unreported if name.endswith(".cpp")]

    missing = sorted((file, n) for file, numbers in uncovered.items() for n in numbers if (file, n) not in listed)
    for file, n in missing:
        text = pathlib.Path(file).read_text().splitlines()[n - 1].strip()
        errors.append(f"{file}:{n}: uncovered and not listed: {text}")
    for (file, n), reason in sorted(listed.items()):
        if n not in code.get(file, ()):
            errors.append(f"{file}:{n}: listed but not a line of code in this build")
        elif n not in uncovered[file]:
            errors.append(f"{file}:{n}: listed but covered; take it off the list")
    print(f"\nuncovered lines: {sum(map(len, uncovered.values()))}, of which listed in {exemptions_txt}: "
          f"{len(listed) - sum(1 for (f, n) in listed if n not in uncovered.get(f, ()))}")
    if 100.0 * lines[0] < MINIMUM * lines[1]:
        errors.append(f"line coverage {percent(*lines).strip()} is under {MINIMUM}%")
    for error in errors:
        print(error)
    if not errors:
        print(f"coverage: {percent(*lines).strip()} of lines, every uncovered line listed with its reason")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
