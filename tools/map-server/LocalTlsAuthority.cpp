#include "LocalTlsAuthority.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <cstdio>

namespace
{
const long kValidSeconds = 60L * 60 * 24 * 30;
// A client may name any host; the cache of contexts stays small anyway.
const size_t kMaxHosts = 64;

void SetName(X509_NAME* name, const char* commonName)
{
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("map-server"), -1,
                               -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1,
                               -1, 0);
}

bool AddExtension(X509* cert, X509* issuer, int nid, const std::string& value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
    if (!ext)
        return false;
    const bool added = X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return added;
}

X509* NewCertificate(EVP_PKEY* key, long serial)
{
    X509* cert = X509_new();
    if (!cert)
        return nullptr;
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), serial);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), kValidSeconds);
    X509_set_pubkey(cert, key);
    return cert;
}

bool IsIpAddress(const std::string& host)
{
    unsigned char buffer[16];
    return inet_pton(AF_INET, host.c_str(), buffer) == 1 || inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}
} // namespace

LocalTlsAuthority::LocalTlsAuthority()
    : mCaKey(EVP_EC_gen("P-256")), mCaCert(nullptr), mServerKey(EVP_EC_gen("P-256")), mSerial(2)
{
    if (!mCaKey || !mServerKey)
        return;
    // Serial numbers differ between runs, so a client that cached an
    // earlier run's certificate meets a new one, not a clash.
    const long base = static_cast<long>(time(nullptr)) & 0x3fffffff;
    mSerial = base * 1000 + 1;
    X509* cert = NewCertificate(mCaKey, mSerial++);
    if (!cert)
        return;
    SetName(X509_get_subject_name(cert), "map-server local authority");
    X509_set_issuer_name(cert, X509_get_subject_name(cert));
    if (!AddExtension(cert, cert, NID_basic_constraints, "critical,CA:TRUE,pathlen:0") ||
        !AddExtension(cert, cert, NID_key_usage, "critical,keyCertSign,cRLSign") ||
        !AddExtension(cert, cert, NID_subject_key_identifier, "hash") ||
        X509_sign(cert, mCaKey, EVP_sha256()) == 0)
    {
        std::fprintf(stderr, "map-server: cannot make the certificate authority\n");
        ERR_print_errors_fp(stderr);
        X509_free(cert);
        return;
    }
    mCaCert = cert;
}

LocalTlsAuthority::~LocalTlsAuthority()
{
    for (auto& entry : mContexts)
        SSL_CTX_free(entry.second);
    if (mCaCert)
        X509_free(mCaCert);
    if (mCaKey)
        EVP_PKEY_free(mCaKey);
    if (mServerKey)
        EVP_PKEY_free(mServerKey);
}

bool LocalTlsAuthority::IsReady() const
{
    return mCaCert && mServerKey;
}

bool LocalTlsAuthority::WriteCertificate(const std::string& path) const
{
    if (!mCaCert)
        return false;
    const std::string tmp = path + ".tmp";
    FILE* out = std::fopen(tmp.c_str(), "w");
    if (!out)
        return false;
    const bool written = PEM_write_X509(out, mCaCert) == 1;
    if (std::fclose(out) != 0 || !written)
    {
        std::remove(tmp.c_str());
        return false;
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

X509* LocalTlsAuthority::IssueFor(const std::string& host)
{
    // Called with mMutex held.
    X509* cert = NewCertificate(mServerKey, mSerial++);
    if (!cert)
        return nullptr;
    SetName(X509_get_subject_name(cert), host.c_str());
    X509_set_issuer_name(cert, X509_get_subject_name(mCaCert));
    const std::string altName = (IsIpAddress(host) ? "IP:" : "DNS:") + host;
    if (!AddExtension(cert, mCaCert, NID_basic_constraints, "critical,CA:FALSE") ||
        !AddExtension(cert, mCaCert, NID_key_usage, "critical,digitalSignature") ||
        !AddExtension(cert, mCaCert, NID_ext_key_usage, "serverAuth") ||
        !AddExtension(cert, mCaCert, NID_subject_alt_name, altName) ||
        !AddExtension(cert, mCaCert, NID_authority_key_identifier, "keyid:always") ||
        X509_sign(cert, mCaKey, EVP_sha256()) == 0)
    {
        X509_free(cert);
        return nullptr;
    }
    return cert;
}

SSL_CTX* LocalTlsAuthority::ContextFor(const std::string& host)
{
    if (!IsReady() || host.empty() || host.size() > 253)
        return nullptr;
    std::lock_guard<std::mutex> lock(mMutex);
    auto found = mContexts.find(host);
    if (found != mContexts.end())
        return found->second;
    if (mContexts.size() >= kMaxHosts)
    {
        std::fprintf(stderr, "map-server: no certificate for %s: too many hosts\n", host.c_str());
        return nullptr;
    }
    X509* cert = IssueFor(host);
    SSL_CTX* ctx = cert ? SSL_CTX_new(TLS_server_method()) : nullptr;
    if (!ctx || SSL_CTX_use_certificate(ctx, cert) != 1 || SSL_CTX_use_PrivateKey(ctx, mServerKey) != 1)
    {
        std::fprintf(stderr, "map-server: cannot make a certificate for %s\n", host.c_str());
        ERR_print_errors_fp(stderr);
        if (ctx)
            SSL_CTX_free(ctx);
        ctx = nullptr;
    }
    if (cert)
        X509_free(cert);
    if (ctx)
        mContexts[host] = ctx;
    return ctx;
}
