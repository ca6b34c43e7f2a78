#pragma once

#include <functional>
#include <string>

// Asked now and then while a transfer runs; true ends it at once (the
// window is closing).
using HttpAbort = std::function<bool()>;

// Prepares the HTTP library once for the whole run; false when it cannot be
// used. HttpGetText and CheckConnection call it themselves.
bool InitHttp();

// The whole body of `address` (http or https, redirects followed, never from
// a cache), or "" when it cannot be fetched: no such host or port, an error
// status, a timeout, an abort, or a body too large to hold.
std::string HttpGetText(const std::string& address, const HttpAbort& abort = {});

// True when `address` answers at all (any status counts): the internet can
// be reached. Bounded by the same timeouts as HttpGetText.
bool CheckConnection(const std::string& address, const HttpAbort& abort = {});
