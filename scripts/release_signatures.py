#!/usr/bin/env python3
"""Puts a release's committed Authenticode signatures on the files just
built, and takes them off a freshly signed file, so that anyone who builds
the release's commit gets the maintainer's signed bytes.

    release_signatures.py exe SIGNATURES EXE  attach SIGNATURES/Quorvane.exe.sig
                                              (or, without it, leave EXE unsigned)
    release_signatures.py msi SIGNATURES MSI  attach SIGNATURES/<MSI's name>.sig
                                              when there is one
    release_signatures.py extract SIGNED_EXE SIG

The program's signature is kept as the DER-encoded PKCS #7 SignedData that
its certificate table holds, and is attached here, so that which osslsigncode
a machine has (Debian 12's 2.5 and the 2.9 of its backports and Debian 13
write and read the program's detached signature differently) cannot change
the bytes. The installer's is osslsigncode's detached form, which both
versions write and attach alike. A signature over other bytes than those
just built stops the build, leaving the file unsigned.
"""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # keep the source tree clean
import pe_image  # noqa: E402

EXE_SIGNATURE = "Quorvane.exe.sig"
CERTIFICATE_DIRECTORY = 4  # its "RVA" is a file offset: the table is never loaded
WIN_CERTIFICATE = struct.Struct("<IHH")
WIN_CERT_REVISION_2_0 = 0x0200
WIN_CERT_TYPE_PKCS_SIGNED_DATA = 0x0002
CERTIFICATE_ALIGNMENT = 8
DER_SEQUENCE = 0x30
# What osslsigncode 2.5 to 2.9 print for the digest a signature holds and the
# one it computes from the file ("message digest" for a program,
# "DigitalSignature" for an installer).
DIGEST_LINE = re.compile(
    r"^(Current|Calculated) (message digest|DigitalSignature)\s*:\s*([0-9A-Fa-f]+)", re.MULTILINE)


class Refused(Exception):
    pass


def padding(length):
    return -length % CERTIFICATE_ALIGNMENT


def der_length(data):
    """The length of the DER value at the start of data, header included."""
    if len(data) < 2 or data[0] != DER_SEQUENCE:
        raise Refused("not a DER-encoded PKCS #7 signature")
    if data[1] < 0x80:
        return 2 + data[1]
    count = data[1] & 0x7F
    if count == 0 or count > 4 or len(data) < 2 + count:
        raise Refused("not a DER-encoded PKCS #7 signature")
    return 2 + count + int.from_bytes(data[2:2 + count], "big")


def unsigned(image):
    """The program without its certificate table, if it had one."""
    offset, size = image.directory(CERTIFICATE_DIRECTORY)
    if size:
        if offset + size != len(image.data):
            raise Refused("its certificate table is not at the end of the file")
        del image.data[offset:]
        image.set_directory(CERTIFICATE_DIRECTORY, 0, 0)
    return image


def signed(image, signature):
    """The program with one certificate table holding signature, laid out
    as signing tools lay it: at the end of the file, on an 8-byte boundary,
    its length padded to one too."""
    if der_length(signature) != len(signature):
        raise Refused("not a DER-encoded PKCS #7 signature")
    image.data += b"\0" * padding(len(image.data))
    entry = WIN_CERTIFICATE.size + len(signature)
    header = WIN_CERTIFICATE.pack(entry + padding(entry), WIN_CERT_REVISION_2_0,
                                  WIN_CERT_TYPE_PKCS_SIGNED_DATA)
    table = header + signature + b"\0" * padding(entry)
    image.set_directory(CERTIFICATE_DIRECTORY, len(image.data), len(table))
    image.data += table
    return image


def extract(image):
    offset, size = image.directory(CERTIFICATE_DIRECTORY)
    if not size:
        raise Refused("it is not signed")
    length, revision, kind = WIN_CERTIFICATE.unpack_from(image.data, offset)
    if kind != WIN_CERT_TYPE_PKCS_SIGNED_DATA or length > size:
        raise Refused("its certificate table holds no PKCS #7 signature")
    body = bytes(image.data[offset + WIN_CERTIFICATE.size:offset + length])
    return body[:der_length(body)]


def check_digest(path):
    """Fails unless the digest the attached signature holds is that of the
    file's own bytes. The certificate chain is not judged here: a rebuild
    needs no trust in it, only the same bytes."""
    try:
        result = subprocess.run(["osslsigncode", "verify", "-in", path], stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, text=True, errors="replace")
    except FileNotFoundError:
        raise Refused("osslsigncode is missing, so the signature cannot be checked: "
                      "run scripts/setup.sh")
    found = {}
    for which, label, digest in DIGEST_LINE.findall(result.stdout):
        found.setdefault(label, {})[which] = digest.upper()
    pairs = [digests for digests in found.values() if len(digests) == 2]
    if not pairs:
        raise Refused("osslsigncode reported no digests to compare:\n" + result.stdout)
    for digests in pairs:
        if digests["Current"] != digests["Calculated"]:
            raise Refused(f"it was made over other bytes (signed digest {digests['Current']}, "
                          f"these bytes' {digests['Calculated']}): the sources, the tools or "
                          "the version differ from the release's")


def read(path):
    with open(path, "rb") as stream:
        return stream.read()


def sign_exe(folder, exe):
    image = unsigned(pe_image.read(exe))
    signature_path = os.path.join(folder, EXE_SIGNATURE)
    if not os.path.exists(signature_path):
        image.write(exe)
        return
    bare = bytes(image.data)
    try:
        signed(image, read(signature_path))
        image.write(exe)
        check_digest(exe)
    except Refused as reason:
        pe_image.Image(bare).write(exe)
        raise Refused(f"{signature_path} does not sign the {exe} just built: {reason}")


def sign_msi(folder, msi):
    signature_path = os.path.join(folder, os.path.basename(msi) + ".sig")
    if not os.path.exists(signature_path):
        return
    scratch = tempfile.mkdtemp()
    try:
        out = os.path.join(scratch, os.path.basename(msi))
        # osslsigncode also judges the chain here and exits 1 for one it
        # cannot follow to a root it knows, after writing the file all the
        # same: the digest is what decides.
        try:
            subprocess.run(["osslsigncode", "attach-signature", "-sigin", signature_path,
                            "-in", msi, "-out", out], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
        except FileNotFoundError:
            raise Refused("osslsigncode is missing, so the signature cannot be attached: "
                          "run scripts/setup.sh")
        if not os.path.exists(out):
            raise Refused(f"osslsigncode could not attach {signature_path} to {msi}")
        check_digest(out)
        shutil.move(out, msi)
    except Refused as reason:
        # The unsigned package must not be taken for the release.
        os.remove(msi)
        raise Refused(f"{signature_path} does not sign the {msi} just built: {reason}")
    finally:
        shutil.rmtree(scratch)


def main(arguments):
    try:
        if len(arguments) == 3 and arguments[0] == "exe":
            sign_exe(arguments[1], arguments[2])
        elif len(arguments) == 3 and arguments[0] == "msi":
            sign_msi(arguments[1], arguments[2])
        elif len(arguments) == 3 and arguments[0] == "extract":
            try:
                signature = extract(pe_image.read(arguments[1]))
            except Refused as reason:
                raise Refused(f"{arguments[1]}: {reason}")
            with open(arguments[2], "wb") as stream:
                stream.write(signature)
        else:
            print(__doc__, file=sys.stderr)
            return 2
    except Refused as reason:
        print(f"release signature: {reason}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
