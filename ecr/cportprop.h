#pragma once
// The link-state record that the poll cycle and the ECR check read. Nothing in
// the program ever marks the link connected or records a port here, so readers
// always see false and 0; the record is kept because they test it.

#include <QtGlobal>

#include <memory>

namespace dravimo {

class cTCPIP;

class cPortProp
{
public:
    cPortProp();
    ~cPortProp();

    qint16 tcpPort = 0;
    qint32 comHandle = 0;
    // 16-bit boolean: -1 true, 0 false.
    qint16 isConnected = 0;

    // Created on first read when empty; can be replaced.
    cTCPIP &TCPClass();
    void setTCPClass(std::unique_ptr<cTCPIP> link);

    // The one shared record, created on first use.
    static cPortProp &instance();

private:
    std::unique_ptr<cTCPIP> tcp_;
};

} // namespace dravimo
