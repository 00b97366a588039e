#include "install/payload_digest.h"

#include <wincrypt.h>
#include <string.h>

enum { READ_CHUNK_SIZE = 64 * 1024 };

// SHA-256 through CryptoAPI: advapi32 is imported already and is a KnownDLL,
// and its AES provider has hashed SHA-256 since Windows XP SP3. One provider
// serves the whole run, as acquiring it can take longer than hashing every
// file (a tenth of a second a time under Wine); the end of the process
// releases it.
static HCRYPTPROV HashProvider()
{
    static HCRYPTPROV provider;
    if (!provider && !CryptAcquireContextA(&provider, NULL, NULL, PROV_RSA_AES, CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
        provider = 0;
    return provider;
}

static bool HashFile(HANDLE file, BYTE digest[PAYLOAD_DIGEST_SIZE])
{
    HCRYPTPROV provider = HashProvider();
    if (!provider)
        return false;
    bool hashed = false;
    HCRYPTHASH hash;
    if (CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) {
        static BYTE chunk[READ_CHUNK_SIZE];
        DWORD read = 0;
        bool readAll = false;
        while (ReadFile(file, chunk, sizeof chunk, &read, NULL)) {
            if (read == 0) {
                readAll = true;
                break;
            }
            if (!CryptHashData(hash, chunk, read, 0))
                break;
        }
        DWORD size = PAYLOAD_DIGEST_SIZE;
        hashed = readAll && CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) && size == PAYLOAD_DIGEST_SIZE;
        CryptDestroyHash(hash);
    }
    return hashed;
}

bool MatchesPayloadDigest(int row, const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                              NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BYTE digest[PAYLOAD_DIGEST_SIZE];
    bool hashed = HashFile(file, digest);
    CloseHandle(file);
    return hashed && memcmp(digest, g_payloadDigests[row], PAYLOAD_DIGEST_SIZE) == 0;
}
