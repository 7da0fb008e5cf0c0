"""Authenticode signatures for the release's programs and library, made with osslsigncode from a
PEM certificate (followed by its chain, if any) and its key."""
import os
import re
import shutil
import subprocess
from dataclasses import dataclass
from pathlib import Path
from typing import Mapping, Optional

CERT_VARIABLE = "TAVIK_SIGN_CERT"
KEY_VARIABLE = "TAVIK_SIGN_KEY"


class SigningError(Exception):
    pass


@dataclass(frozen=True)
class SigningKey:
    cert: Path
    key: Path


def signing_key(environ: Mapping[str, str]) -> Optional[SigningKey]:
    """The certificate and key the environment names, or None for an unsigned release. One
    without the other is a mistake, not a wish for an unsigned release."""
    cert = environ.get(CERT_VARIABLE, "")
    key = environ.get(KEY_VARIABLE, "")
    if not cert and not key:
        return None
    if not cert or not key:
        given, missing = (CERT_VARIABLE, KEY_VARIABLE) if cert else (KEY_VARIABLE, CERT_VARIABLE)
        raise SigningError(f"{given} is set but {missing} is not: set both to sign, "
                           "neither for an unsigned release")
    for variable, path in ((CERT_VARIABLE, cert), (KEY_VARIABLE, key)):
        if not os.path.isfile(path):
            raise SigningError(f"{variable} names {path}, which is no file")
    return SigningKey(Path(cert), Path(key))


def tool(name: str) -> str:
    path = shutil.which(name)
    if path is None:
        raise SigningError(f"{name} is not installed (tools/setup.sh installs it)")
    return path


def run(command) -> str:
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if done.returncode != 0:
        raise SigningError(f"{' '.join(map(str, command))} failed:\n{done.stdout.strip()}")
    return done.stdout


def signer_name(signing: SigningKey) -> str:
    """The certificate's common name, as Windows shows it as the name of the signer."""
    subject = run([tool("openssl"), "x509", "-in", signing.cert, "-noout", "-subject",
                   "-nameopt", "multiline,utf8,-esc_msb"])
    match = re.search(r"^\s*commonName\s*=\s*(.+?)\s*$", subject, re.M)
    if match is None:
        raise SigningError(f"the certificate in {signing.cert} names no common name")
    return match.group(1)


def sign(path: Path, description: str, epoch: int, signing: SigningKey) -> None:
    """Signs the file in place: SHA-256, the program's name as the signature's description, and
    the given time as its signing time, so that the same key signs the same file alike."""
    signed = path.with_name(path.name + ".signed")
    signed.unlink(missing_ok=True)
    run([tool("osslsigncode"), "sign", "-certs", signing.cert, "-key", signing.key,
         "-h", "sha256", "-n", description, "-time", str(epoch), "-in", path, "-out", signed])
    signed.replace(path)
