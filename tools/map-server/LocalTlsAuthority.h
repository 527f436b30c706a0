#ifndef MAP_SERVER_LOCAL_TLS_AUTHORITY_H
#define MAP_SERVER_LOCAL_TLS_AUTHORITY_H

#include <openssl/ssl.h>

#include <map>
#include <mutex>
#include <string>

/* A certificate authority made when the server starts, and TLS server
 * contexts for whatever host a client tunnels to, each with a certificate
 * for that host name signed by the authority. Clients verify peers, so they
 * are handed the authority's certificate (WriteCertificate) explicitly; no
 * key ever leaves the process. */
class LocalTlsAuthority
{
public:
    LocalTlsAuthority();
    ~LocalTlsAuthority();
    LocalTlsAuthority(const LocalTlsAuthority&) = delete;
    LocalTlsAuthority& operator=(const LocalTlsAuthority&) = delete;

    bool IsReady() const;
    /* The authority's certificate as PEM, replaced atomically. */
    bool WriteCertificate(const std::string& path) const;
    /* A server context presenting a certificate for host; null on failure.
     * Made on first use, then kept; safe from several threads. */
    SSL_CTX* ContextFor(const std::string& host);

private:
    X509* IssueFor(const std::string& host);

    EVP_PKEY* mCaKey;
    X509* mCaCert;
    EVP_PKEY* mServerKey;
    long mSerial;
    std::mutex mMutex;
    std::map<std::string, SSL_CTX*> mContexts;
};

#endif
