#pragma once
// The register's wire protocol as pure functions: how a command is framed, when
// a reply is complete, what a reply means, and the texts the operator reads
// for the register's error codes. Nothing here waits, shows or sends.
//
// A normal reply is the text, CR, EOT. An error reply starts with "DE" and the
// error code. Each command gets one reply; card payments get a second,
// asynchronous one with the terminal's outcome.

#include "core/numbers.h"
#include "ecr/link.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

namespace dravimo {

// The register's line of text: descriptions and comments are cut to it.
constexpr int kEcrLineWidth = 28;

// The one command the register takes without answering. The trailing CR is
// part of it: the register reads "KX794ST" followed by CR CR LF.
inline const QString kNoReplyCommand = QStringLiteral("KX794ST\r");

// The line terminator rule of the register: a command longer than two
// characters that does not already end in CR LF gets CR LF. One or two
// characters go out bare (single keys); a trailing lone CR is kept and CR LF
// still follows it.
QString frameCommand(const QString &command);

// Text to wire bytes and back, one byte per character (Windows-1253).
QByteArray toWire(const QString &text);
QString fromWire(const QByteArray &bytes);

// How far the collection of one reply has come.
//
// The register ends a normal reply with EOT and sends a refusal as "DE" and
// its code with nothing after it, so a refusal has no end mark of its own:
// its code is whole once the line falls quiet. The rule:
//  - a buffer holding EOT is a refusal when it begins with "DE" (line noise
//    before it, control characters, skipped), else a text reply, whatever
//    letters it holds ("1:ODESSA:3" is a table's name, not a refusal);
//  - without EOT, "DE" followed by a digit, or "DE" as the last characters
//    read, may be a refusal wherever the noise put it; it is one once a read
//    brings nothing more (or the answer window ends), and is a text reply
//    if an EOT comes after all;
//  - "DE" followed by anything else is text: reading goes on to the EOT.
// Safe both ways: a refusal is never taken for success (noise before it or
// its code cut across reads only delays the verdict by one quiet read), and
// a text reply is cut short only if the register falls silent right after
// "DE" and a digit inside it, which it does not do within a reply.
enum class ReplyState {
    Incomplete,  // read on
    Text,        // a normal reply, ended by EOT
    Refusal,     // a refusal that started the reply
    MaybeRefusal // a refusal, unless more comes: read once more
};
ReplyState replyState(const QString &buffer);

// The replies in text taken off the line outside any command: split at each
// EOT, CR removed, empty pieces dropped. An unfinished last reply is kept.
QStringList splitReplies(const QString &text);

// What a collected reply means.
struct ReplyOutcome
{
    // 0, or the register's error code (result::Unreadable when it cannot be
    // read). For a shown error this is the code as the operator's box reads it.
    qint16 code = result::Ok;
    // What the caller gets: the reply without CR and EOT, or the error code
    // in decimal.
    QString text;
    // The reply text as the card-payment check sees it: empty for an error.
    QString reply;
    bool isError = false;
    // The operator's words for the error, and whether they are shown (not for
    // a quiet command, and not for the register's "00", which means no error).
    QString errorText;
    bool showError = false;
};
ReplyOutcome evaluateReply(const QString &buffer, Quiet quiet, const NumberFormat &numbers);

// The operator's text for an error code or an error reply ("1038", "DE1038"
// and "DE1038 more" all give "Ανοικτή Απόδειξη, Υποχρεωτική Εξόφληση!");
// a code the table does not hold gives the code, anything that is not a
// number gives the text back.
QString ecrErrorText(const QString &text, const NumberFormat &numbers);

// A reply as the communication log shows it: every character below 32 as
// "ASC(" + code + ") ", the rest as it stands.
QString formatForLog(const QString &reply);

} // namespace dravimo
