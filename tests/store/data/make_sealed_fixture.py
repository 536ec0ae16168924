#!/usr/bin/python3
# Made tests/store/data/sealed-v1.enc once, from the layout in docs/FORMAT.md
# alone, with PyNaCl (Debian python3-nacl): a sealed data file with the lowest
# limits (1 pass, 8 MiB) and chunks of 4 KiB, whose master password the test
# that opens it states. It is kept as it was made: a reader that stops opening
# it has changed the layout.
import hashlib
import os
import struct
import sys

import nacl.bindings as b

password = "Kept|||sealed Š€ 1".encode("cp1252")


def flip(data):
    return bytes(x ^ 0x80 for x in data)


lines = [flip(password)]
for i in range(150):
    location = f"https://example.com/{i}" if i % 2 else ""
    lines.append(flip(f"user {i}|||pässwörd|{i * i}|||{location}".encode("cp1252")))
plain = b"".join(line + b"\r\n" for line in lines) + b"\r\n"

opslimit, memlimit_kib, chunk = 1, 8 * 1024, 4096
salt = os.urandom(16)
key = b.crypto_pwhash_alg(32, password, salt, opslimit, memlimit_kib * 1024,
                          b.crypto_pwhash_ALG_ARGON2ID13)
state = b.crypto_secretstream_xchacha20poly1305_state()
header = b.crypto_secretstream_xchacha20poly1305_init_push(state, key)
ad = b"KESTRUNE SEALED 1\r\n" + bytes([1]) + struct.pack("<III", opslimit, memlimit_kib, chunk) \
    + salt + header
assert len(ad) == 72
out = bytearray(ad)
full = len(plain) // chunk
for i in range(full):
    out += b.crypto_secretstream_xchacha20poly1305_push(
        state, plain[i * chunk:(i + 1) * chunk], ad, b.crypto_secretstream_xchacha20poly1305_TAG_MESSAGE)
out += b.crypto_secretstream_xchacha20poly1305_push(
    state, plain[full * chunk:], ad, b.crypto_secretstream_xchacha20poly1305_TAG_FINAL)
out += hashlib.blake2b(bytes(out), digest_size=32).digest()
with open(sys.argv[1] if len(sys.argv) > 1 else "sealed-v1.enc", "wb") as f:
    f.write(out)
