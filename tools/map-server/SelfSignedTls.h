#ifndef MAP_SERVER_SELF_SIGNED_TLS_H
#define MAP_SERVER_SELF_SIGNED_TLS_H

#include <openssl/ssl.h>

/* A TLS server context with a key and certificate made when it is created.
 * Clients of this server do not verify peers, so a throw-away certificate
 * for "localhost" is enough. */
class SelfSignedTls
{
public:
    SelfSignedTls();
    ~SelfSignedTls();
    SelfSignedTls(const SelfSignedTls&) = delete;
    SelfSignedTls& operator=(const SelfSignedTls&) = delete;

    /* Null when the key or certificate could not be made. */
    SSL_CTX* GetContext() const;

private:
    SSL_CTX* mContext;
};

#endif
