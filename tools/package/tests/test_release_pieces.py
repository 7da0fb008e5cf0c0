"""The release step's pieces where a fault would cost reproducibility or a signature."""
import os
import struct
import tempfile
import time
import unittest
import zipfile
from pathlib import Path

import code_signing
import make_release
import release_zip
import unsigned_pe


def tiny_pe(length: int, certificate_table=(0, 0)) -> bytes:
    """An MZ stub, a PE header and a 32-bit optional header with 16 data directories."""
    image = bytearray(length)
    image[:2] = b"MZ"
    struct.pack_into("<I", image, 0x3C, 0x40)
    image[0x40:0x44] = b"PE\0\0"
    optional = 0x40 + 24
    struct.pack_into("<H", image, optional, 0x10B)
    struct.pack_into("<I", image, optional + 92, 16)
    struct.pack_into("<II", image, optional + 96 + 8 * 4, *certificate_table)
    for i in range(optional + 96 + 128, length):
        image[i] = (i * 7 + 3) & 0xFF
    return bytes(image)


class UnsignedPe(unittest.TestCase):
    def test_checksum_agrees_with_the_linker(self):
        # The linker sets the checksum of what it links; ours must be the same sum.
        sample = os.environ.get("TAVIK_LINKED_PE")
        if not sample:
            self.skipTest("TAVIK_LINKED_PE names no linked program")
        image = Path(sample).read_bytes()
        offset = unsigned_pe.checksum_offset(image)
        self.assertEqual(unsigned_pe.checksum(image, offset),
                         struct.unpack_from("<I", image, offset)[0])

    def test_pads_to_the_signature_boundary_once(self):
        checksum_at = 0x40 + 24 + 64
        for length in (0x200, 0x201, 0x207):  # an odd length sums its last byte alone
            image = tiny_pe(length)
            form = unsigned_pe.unsigned_form(image)
            self.assertEqual(len(form), (length + 7) // 8 * 8)
            self.assertEqual(form[:checksum_at], image[:checksum_at])
            self.assertEqual(form[checksum_at + 4:length], image[checksum_at + 4:length])
            self.assertEqual(form[length:], bytes(len(form) - length))
            self.assertEqual(unsigned_pe.unsigned_form(form), form)

    def test_refuses_what_it_cannot_keep_unchanged(self):
        for image in (b"", b"MZ" + bytes(0x3E), tiny_pe(0x100)[:0x60],
                      tiny_pe(0x200, certificate_table=(0x200, 0x100))):
            with self.assertRaises(unsigned_pe.NotUnsignedPe):
                unsigned_pe.unsigned_form(image)


class ReleaseZip(unittest.TestCase):
    def test_entry_time_is_a_zip_time(self):
        self.assertEqual(release_zip.entry_time(0), (1980, 1, 1, 0, 0, 0))
        self.assertEqual(release_zip.entry_time(1796825227), (2026, 12, 9, 14, 7, 6))
        self.assertEqual(release_zip.entry_time(2**40)[0], 2107)

    def test_same_bytes_from_other_folders_times_and_orders(self):
        archives = []
        for order, mask in ((("b", "a/x", "a-b"), 0o022), (("a-b", "a/x", "b"), 0o077)):
            with tempfile.TemporaryDirectory() as folder:
                previous = os.umask(mask)
                try:
                    root = Path(folder) / "deep" / "root"
                    for name in order:
                        (root / name).parent.mkdir(parents=True, exist_ok=True)
                        (root / name).write_bytes(name.encode() * 100)
                        stamp = time.time() - 1000 * len(archives)
                        os.utime(root / name, (stamp, stamp))
                finally:
                    os.umask(previous)
                archive = Path(folder) / "out.zip"
                release_zip.write(archive, root, "top", 1796825226)
                archives.append(archive.read_bytes())
                with zipfile.ZipFile(archive) as content:
                    self.assertEqual(content.namelist(),
                                     ["top/", "top/a-b", "top/a/", "top/a/x", "top/b"])
                    self.assertTrue(all(not info.extra for info in content.infolist()))
        self.assertEqual(archives[0], archives[1])


class ReleaseInputs(unittest.TestCase):
    def test_epoch_refused_where_it_is_no_time(self):
        with tempfile.TemporaryDirectory() as folder:
            for environ in ({"SOURCE_DATE_EPOCH": "-5"}, {"SOURCE_DATE_EPOCH": "1.5e9"}, {}):
                with self.assertRaises(make_release.ReleaseError):
                    make_release.release_origin(Path(folder), environ)
            self.assertEqual(make_release.release_origin(
                Path(folder), {"SOURCE_DATE_EPOCH": "1796825226"}).epoch, 1796825226)

    def test_readme_fills_in_lines_for_notepad(self):
        text = make_release.readme_text("A @V@\n  @P@\n", {"V": "1", "P": "x\ny"})
        self.assertEqual(text, "A 1\r\n  x\r\n  y\r\n")
        with self.assertRaises(make_release.ReleaseError):
            make_release.readme_text("@UNKNOWN@", {})

    def test_half_a_signing_key_is_an_error(self):
        with tempfile.NamedTemporaryFile() as cert:
            self.assertIsNone(code_signing.signing_key({}))
            for environ in ({"TAVIK_SIGN_CERT": cert.name},
                            {"TAVIK_SIGN_KEY": cert.name},
                            {"TAVIK_SIGN_CERT": cert.name, "TAVIK_SIGN_KEY": cert.name + ".gone"}):
                with self.assertRaises(code_signing.SigningError):
                    code_signing.signing_key(environ)


if __name__ == "__main__":
    unittest.main()
