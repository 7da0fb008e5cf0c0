// SHA-256 (FIPS 180-4) for the replay's comparison of large payloads. The driver has no
// cryptography library to call; the library's trace digests with the platform's own, so a
// fault here shows as a replay that never matches a recorded image.
#include "Driver.h"

namespace sim {

namespace {

const ULONG kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

ULONG Rotate(ULONG x, int n) {
    return (x >> n) | (x << (32 - n));
}

void Compress(ULONG state[8], const UCHAR block[64]) {
    ULONG w[64];
    for (int i = 0; i < 16; ++i) {
        w[i] = (static_cast<ULONG>(block[4 * i]) << 24) |
               (static_cast<ULONG>(block[4 * i + 1]) << 16) |
               (static_cast<ULONG>(block[4 * i + 2]) << 8) | block[4 * i + 3];
    }
    for (int i = 16; i < 64; ++i) {
        const ULONG s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const ULONG s1 = Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    ULONG v[8];
    for (int i = 0; i < 8; ++i) {
        v[i] = state[i];
    }
    for (int i = 0; i < 64; ++i) {
        const ULONG s1 = Rotate(v[4], 6) ^ Rotate(v[4], 11) ^ Rotate(v[4], 25);
        const ULONG choice = (v[4] & v[5]) ^ (~v[4] & v[6]);
        const ULONG t1 = v[7] + s1 + choice + kRound[i] + w[i];
        const ULONG s0 = Rotate(v[0], 2) ^ Rotate(v[0], 13) ^ Rotate(v[0], 22);
        const ULONG majority = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
        for (int j = 7; j > 0; --j) {
            v[j] = v[j - 1];
        }
        v[4] += t1;
        v[0] = t1 + s0 + majority;
    }
    for (int i = 0; i < 8; ++i) {
        state[i] += v[i];
    }
}

}  // namespace

void Sha256(const UCHAR* data, ULONG size, UCHAR digest[32]) {
    ULONG state[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                      0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    ULONG done = 0;
    for (; size - done >= 64; done += 64) {
        Compress(state, data + done);
    }
    // The last part, the 0x80 byte and the length in bits: one block or two.
    UCHAR tail[128] = {};
    const ULONG left = size - done;
    RtlCopyMemory(tail, data + done, left);
    tail[left] = 0x80;
    const ULONG tailSize = left < 56 ? 64 : 128;
    const ULONGLONG bits = static_cast<ULONGLONG>(size) * 8;
    for (int i = 0; i < 8; ++i) {
        tail[tailSize - 1 - i] = static_cast<UCHAR>(bits >> (8 * i));
    }
    Compress(state, tail);
    if (tailSize == 128) {
        Compress(state, tail + 64);
    }
    for (int i = 0; i < 8; ++i) {
        digest[4 * i] = static_cast<UCHAR>(state[i] >> 24);
        digest[4 * i + 1] = static_cast<UCHAR>(state[i] >> 16);
        digest[4 * i + 2] = static_cast<UCHAR>(state[i] >> 8);
        digest[4 * i + 3] = static_cast<UCHAR>(state[i]);
    }
}

}  // namespace sim
