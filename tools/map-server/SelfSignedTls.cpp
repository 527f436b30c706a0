#include "SelfSignedTls.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cstdio>

namespace
{
X509* MakeCertificate(EVP_PKEY* key)
{
    X509* cert = X509_new();
    if (!cert)
        return nullptr;
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 60L * 60 * 24 * 365);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("localhost"), -1,
                               -1, 0);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("map-server"), -1,
                               -1, 0);
    X509_set_issuer_name(cert, name);
    if (X509_sign(cert, key, EVP_sha256()) == 0)
    {
        X509_free(cert);
        return nullptr;
    }
    return cert;
}
} // namespace

SelfSignedTls::SelfSignedTls() : mContext(nullptr)
{
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* cert = key ? MakeCertificate(key) : nullptr;
    SSL_CTX* ctx = cert ? SSL_CTX_new(TLS_server_method()) : nullptr;
    if (ctx && SSL_CTX_use_certificate(ctx, cert) == 1 && SSL_CTX_use_PrivateKey(ctx, key) == 1)
    {
        mContext = ctx;
        ctx = nullptr;
    }
    else
    {
        std::fprintf(stderr, "map-server: cannot make a TLS certificate\n");
        ERR_print_errors_fp(stderr);
    }
    if (ctx)
        SSL_CTX_free(ctx);
    if (cert)
        X509_free(cert);
    if (key)
        EVP_PKEY_free(key);
}

SelfSignedTls::~SelfSignedTls()
{
    if (mContext)
        SSL_CTX_free(mContext);
}

SSL_CTX* SelfSignedTls::GetContext() const
{
    return mContext;
}
