// Restaurant-table lines: "TBO", "TBC", "TBT", "TPT", "TBS" and "ltb".
//
// NOT IMPLEMENTED YET. The recogniser already hands each line here with its
// fields; the table work fills these in (open and close on the ECR, transfers
// through the job's transfer flags, the table list in the result file, and
// StopJob on a bad table number or a refused command). Until then every table
// line is read and ignored.
#include "translate/handlers.h"

namespace dravimo {

LineResult handleTBO(Job &, const QString &)
{
    return LineResult::Next;
}

LineResult handleTBC(Job &, const QString &)
{
    return LineResult::Next;
}

LineResult handleTBT(Job &, const QString &, const QString &)
{
    return LineResult::Next;
}

LineResult handleTPT(Job &, const QString &, const QString &)
{
    return LineResult::Next;
}

LineResult handleTBS(Job &, const QString &)
{
    return LineResult::Next;
}

LineResult handleLtb(Job &)
{
    return LineResult::Next;
}

} // namespace dravimo
