#pragma once
// The local HTTP interface: a server on a thread of its own that hands every
// request to the ApiHandler and carries its answer back. Nothing outside
// api/httpserver.cpp knows which HTTP server library does the carrying.

#include "api/apihandler.h"

#include <QString>

#include <memory>

namespace dravimo {

class Clock;

class HttpInterface
{
public:
    HttpInterface(ApiHandler &handler, Clock &clock, HttpSettings settings);
    ~HttpInterface();
    HttpInterface(const HttpInterface &) = delete;
    HttpInterface &operator=(const HttpInterface &) = delete;

    // Starts the thread and listens; false, with why, when the address
    // cannot be bound.
    bool start(QString &why);

private:
    struct Server;
    std::unique_ptr<Server> server_;
};

} // namespace dravimo
