// SHA-256 of files and bytes (see FileHash.h).
#include "platform/FileHash.h"

#include <QFile>

#include <openssl/evp.h>

#include <memory>

namespace {

struct TDigestFree {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
using TDigest = std::unique_ptr<EVP_MD_CTX, TDigestFree>;

TDigest NewSha256() {
    TDigest c(EVP_MD_CTX_new());
    if (c && EVP_DigestInit_ex(c.get(), EVP_sha256(), nullptr) != 1)
        c.reset();
    return c;
}

QString Finish(EVP_MD_CTX* c) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(c, digest, &size) != 1)
        return QString();
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), int(size)).toHex());
}

} // namespace

QString FileSha256(const QString& path) {
    QFile f(path);
    const TDigest c = NewSha256();
    if (!c || !f.open(QIODevice::ReadOnly))
        return QString();
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = f.read(block.data(), block.size());
        if (n < 0)
            return QString();
        if (n == 0)
            break;
        if (EVP_DigestUpdate(c.get(), block.constData(), size_t(n)) != 1)
            return QString();
    }
    return Finish(c.get());
}

QString Sha256Hex(const QByteArray& bytes) {
    const TDigest c = NewSha256();
    if (!c || EVP_DigestUpdate(c.get(), bytes.constData(), size_t(bytes.size())) != 1)
        return QString();
    return Finish(c.get());
}
