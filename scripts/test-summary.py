"""Adds up the GoogleTest reports of each platform and prints the totals.

The last line is the plain 'N passed, N failed, N skipped' over every platform.
"""
import pathlib
import sys
import xml.etree.ElementTree as ET

root = pathlib.Path(sys.argv[1])
total = {"passed": 0, "failed": 0, "skipped": 0}
for platform in sorted(p for p in root.iterdir() if p.is_dir()):
    counts = {"passed": 0, "failed": 0, "skipped": 0}
    for report in platform.glob("*.xml"):
        try:
            tree = ET.parse(report)
        except ET.ParseError:
            counts["failed"] += 1
            continue
        for case in tree.iter("testcase"):
            if case.find("failure") is not None:
                counts["failed"] += 1
            elif case.get("result") == "skipped" or case.find("skipped") is not None:
                counts["skipped"] += 1
            else:
                counts["passed"] += 1
    if sum(counts.values()):
        print(f"{platform.name}: {counts['passed']} passed, {counts['failed']} failed, {counts['skipped']} skipped")
    for k in total:
        total[k] += counts[k]
print(f"{total['passed']} passed, {total['failed']} failed, {total['skipped']} skipped")
