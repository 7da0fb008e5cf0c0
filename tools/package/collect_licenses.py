#!/usr/bin/env python3
"""Writes the licences of what the shipped binaries contain into a folder: nlohmann/json (the
tools' JSON), the MinGW-w64 runtime and winpthreads (linked into every binary), and the GCC
runtime (libstdc++ and libgcc, also linked in). Taken from the copyright files of the very
packages the build used, so that they match what was linked."""
import re
import sys
from pathlib import Path

DOC = Path("/usr/share/doc")
SOURCES = {
    "nlohmann-json.txt": DOC / "nlohmann-json3-dev" / "copyright",
    "mingw-w64-runtime.txt": DOC / "mingw-w64-common" / "copyright",
    "gcc-runtime.txt": DOC / "gcc-mingw-w64-base" / "copyright",
}


def winpthreads(mingw: str) -> str:
    """The paragraphs of the mingw-w64 copyright file that cover winpthreads, with the texts of
    the licences they name."""
    paragraphs = re.split(r"\n\s*\n", mingw)
    first = [p.split("\n")[0] for p in paragraphs]
    # Its test programs are not part of the library, so their licence is not either.
    chosen = [p for p, line in zip(paragraphs, first)
              if line.startswith("Files:") and "winpthreads" in line and "tests_" not in line]
    named = {m.group(1) for p in chosen for m in re.finditer(r"^License: (\S+)", p, re.M)}
    texts = [p for p in paragraphs if re.match(r"License: (\S+)\n", p)
             and re.match(r"License: (\S+)", p).group(1) in named]
    return "\n\n".join(chosen + texts) + "\n"


def main() -> int:
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for name, source in SOURCES.items():
        (out / name).write_text(source.read_text(encoding="utf-8"), encoding="utf-8")
    mingw = SOURCES["mingw-w64-runtime.txt"].read_text(encoding="utf-8")
    (out / "winpthreads.txt").write_text(winpthreads(mingw), encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main())
