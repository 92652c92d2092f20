#include "ecr/cportprop.h"

#include "ecr/ctcpip.h"

namespace dravimo {

cPortProp::cPortProp() = default;
cPortProp::~cPortProp() = default;

cTCPIP &cPortProp::TCPClass()
{
    if (!tcp_)
        tcp_ = std::make_unique<cTCPIP>();
    return *tcp_;
}

void cPortProp::setTCPClass(std::unique_ptr<cTCPIP> link)
{
    tcp_ = std::move(link);
}

cPortProp &cPortProp::instance()
{
    static cPortProp record;
    return record;
}

} // namespace dravimo
