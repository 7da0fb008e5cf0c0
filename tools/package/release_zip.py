"""Writes a folder into a ZIP that depends on the folder's content and one given time only: its
entries sorted by name, each with that time, fixed attributes and no owner, no extra fields."""
import time
import zipfile
from pathlib import Path

# The earliest time a ZIP entry can hold.
DOS_EPOCH = 315532800  # 1980-01-01 00:00:00 UTC
DOS_LATEST = 4354819198  # 2107-12-31 23:59:58 UTC
DIRECTORY_MODE = 0o40755
FILE_MODE = 0o100644
MS_DOS_DIRECTORY = 0x10


def entry_time(epoch: int):
    """The ZIP date and time (UTC; whole even seconds) that stands for a Unix time."""
    clamped = min(max(epoch, DOS_EPOCH), DOS_LATEST)
    stamp = time.gmtime(clamped - clamped % 2)
    return stamp[:6]


def entry_names(root: Path, top: str):
    """Every folder (ending in /) and file below root, named as they unpack under top/, in the
    order of their names' bytes."""
    names = [top + "/"]
    for path in root.rglob("*"):
        name = f"{top}/{path.relative_to(root).as_posix()}"
        names.append(name + "/" if path.is_dir() else name)
    return sorted(names, key=lambda name: name.encode("utf-8"))


def write(archive: Path, root: Path, top: str, epoch: int) -> None:
    when = entry_time(epoch)
    with zipfile.ZipFile(archive, "w") as out:
        for name in entry_names(root, top):
            info = zipfile.ZipInfo(name, when)
            info.create_system = 3  # attributes as Unix modes, the same from every builder
            if name.endswith("/"):
                info.external_attr = DIRECTORY_MODE << 16 | MS_DOS_DIRECTORY
                out.writestr(info, b"")
            else:
                info.external_attr = FILE_MODE << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                data = (root / name[len(top) + 1:]).read_bytes()
                out.writestr(info, data, compresslevel=9)
