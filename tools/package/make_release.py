#!/usr/bin/env python3
"""Makes the release archive from a build: the files its install rules name, the user's README,
the programs and the library signed where a certificate is given, one ZIP and SHA256SUMS.

    make_release.py --build BUILD --source SOURCE --version VERSION [--cmake CMAKE]

It stages into BUILD/release-stage and writes BUILD/package/TAVIKUpdate-VERSION-win32.zip and
BUILD/package/SHA256SUMS. It builds nothing: the build's release files must be up to date.

Everything that holds a time takes the release's time: SOURCE_DATE_EPOCH where it is set,
otherwise the time of the source's commit. So the same commit gives the same bytes, whenever
and wherever it is built.
"""
import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import time
import zipfile
from dataclasses import dataclass
from pathlib import Path
from typing import Mapping, Optional

import code_signing
import release_zip

SIGNED_SUFFIXES = (".exe", ".dll")


class ReleaseError(Exception):
    pass


@dataclass(frozen=True)
class Origin:
    epoch: int
    commit: str  # empty where the source is no git checkout
    modified: bool  # the checkout differs from its commit


def git(source: Path, *arguments) -> Optional[str]:
    try:
        done = subprocess.run(["git", "-C", str(source), *arguments], stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, text=True)
    except OSError:
        return None
    return done.stdout.strip() if done.returncode == 0 else None


def release_origin(source: Path, environ: Mapping[str, str]) -> Origin:
    commit = git(source, "rev-parse", "HEAD") or ""
    modified = bool(commit and git(source, "status", "--porcelain", "--untracked-files=no"))
    given = environ.get("SOURCE_DATE_EPOCH", "")
    if given:
        if not re.fullmatch(r"[0-9]+", given):
            raise ReleaseError(f"SOURCE_DATE_EPOCH is \"{given}\", not a whole number of seconds")
        return Origin(int(given), commit, modified)
    if not commit:
        raise ReleaseError(f"{source} is no git checkout, so the release has no commit to take "
                           "its time from: set SOURCE_DATE_EPOCH")
    return Origin(int(git(source, "log", "-1", "--format=%ct", "HEAD")), commit, modified)


def signature_text(signer: Optional[str], name: str) -> str:
    if signer is None:
        return ("The programs and the library of this release are not signed: Windows names no\n"
                "publisher for them. Check them by their SHA-256 (below).")
    return (f"The programs and the library of this release are signed by \"{signer}\"\n"
            "(Authenticode, SHA-256). To check one: in its Properties, the tab \"Digital\n"
            "Signatures\" names the signer, and its Details say \"This digital signature is OK.\"\n"
            "Or in PowerShell, in this folder (Status \"Valid\" for each file):\n"
            "    Get-AuthenticodeSignature .\\*.exe, .\\*.dll |\n"
            "      Format-List Path, Status, StatusMessage, SignerCertificate\n"
            f"A file changed after signing shows \"HashMismatch\": do not run it; take {name}.zip\n"
            "anew from the maker.")


def readme_text(template: str, values: Mapping[str, str]) -> str:
    """The template with each @NAME@ replaced, a value of several lines indented as the line it
    stands in, every line ending CR LF for Notepad."""
    def filled(line: str) -> str:
        indent = line[:len(line) - len(line.lstrip(" "))]

        def value(match):
            if match.group(1) not in values:
                raise ReleaseError(f"the README template names @{match.group(1)}@, "
                                   "which is not known")
            return values[match.group(1)].replace("\n", "\n" + indent)
        return re.sub(r"@([A-Z_]+)@", value, line)
    lines = template.replace("\r\n", "\n").split("\n")
    return "\n".join(filled(line) for line in lines).replace("\n", "\r\n")


def checksums(archive: Path) -> str:
    """SHA256SUMS: the archive, then each file in it as it unpacks, one "DIGEST *PATH" line each,
    so that `sha256sum -c SHA256SUMS` checks both."""
    lines = [f"{hashlib.sha256(archive.read_bytes()).hexdigest()} *{archive.name}"]
    with zipfile.ZipFile(archive) as content:
        for name in content.namelist():
            if not name.endswith("/"):
                lines.append(f"{hashlib.sha256(content.read(name)).hexdigest()} *{name}")
    return "\n".join(lines) + "\n"


def stage(cmake: str, build: Path, folder: Path) -> None:
    shutil.rmtree(folder, ignore_errors=True)
    done = subprocess.run([cmake, "--install", str(build), "--prefix", str(folder)],
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if done.returncode != 0:
        raise ReleaseError(f"cmake --install failed:\n{done.stdout.strip()}")


def sign_all(root: Path, epoch: int, signing: code_signing.SigningKey):
    signed = sorted(path for path in root.rglob("*") if path.suffix.lower() in SIGNED_SUFFIXES)
    for path in signed:
        code_signing.sign(path, path.stem, epoch, signing)
    return [path.relative_to(root).as_posix() for path in signed]


def make(arguments, environ: Mapping[str, str]) -> None:
    origin = release_origin(arguments.source, environ)
    signing = code_signing.signing_key(environ)
    signer = code_signing.signer_name(signing) if signing else None
    name = f"TAVIKUpdate-{arguments.version}-win32"
    out = arguments.build / "package"
    archive = out / f"{name}.zip"
    sums = out / "SHA256SUMS"
    # A run that fails leaves no archive of an earlier run to be taken for its own.
    archive.unlink(missing_ok=True)
    sums.unlink(missing_ok=True)
    root = arguments.build / "release-stage" / name
    stage(arguments.cmake, arguments.build, root)

    commit = origin.commit or "unknown"
    if origin.modified:
        commit += ", with changes not committed"
        print(f"package: the source differs from commit {origin.commit}: "
              "this archive is not that commit's")
    values = {"PROJECT_VERSION": arguments.version, "RELEASE_NAME": name,
              "RELEASE_COMMIT": commit,
              "RELEASE_DATE": time.strftime("%Y-%m-%d", time.gmtime(origin.epoch)),
              "SIGNATURE": signature_text(signer, name)}
    template = arguments.source / "tools" / "package" / "README.txt.in"
    readme = readme_text(template.read_text(encoding="utf-8"), values)
    (root / "README.txt").write_bytes(readme.encode("utf-8"))

    if signing:
        names = sign_all(root, origin.epoch, signing)
        print(f"package: signed {', '.join(names)} as \"{signer}\"")
    else:
        print(f"package: the release is unsigned: set {code_signing.CERT_VARIABLE} and "
              f"{code_signing.KEY_VARIABLE} to sign it")

    out.mkdir(parents=True, exist_ok=True)
    partial = archive.with_suffix(".zip.partial")
    release_zip.write(partial, root, name, origin.epoch)
    partial.replace(archive)
    sums.write_text(checksums(archive), encoding="utf-8")
    print(f"package: {archive} ({hashlib.sha256(archive.read_bytes()).hexdigest()})")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", type=Path, required=True)
    parser.add_argument("--source", type=Path, required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--cmake", default="cmake")
    arguments = parser.parse_args()
    try:
        make(arguments, os.environ)
    except (ReleaseError, code_signing.SigningError, OSError) as error:
        print(f"package: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
