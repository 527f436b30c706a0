#ifndef PELORN_BOUNDED_READ_H
#define PELORN_BOUNDED_READ_H

#include <stddef.h>
#include <string>

/* Reads a whole regular file of ours of at most maxBytes into contents.
 * Whoever else can write beside our files could leave a huge file, a pipe, a
 * device, a link or a file of their own in a store's place; those are
 * refused (why says how) rather than read without end, waited on or
 * believed. An absent file is false with why left empty. */
bool pelorn_read_bounded_file(const std::string& path, size_t maxBytes, std::string& contents, std::string* why);

#endif
