#pragma once
// What the fuzz targets share: a reader over the fuzzer's bytes, a property
// check that stops the run with the failing detail (libFuzzer then keeps the
// input), the framing rule of the register line as it must be seen on the
// wire, and a scratch working folder for the targets that read or write files.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace dravimo::fuzz {

class Bytes
{
public:
    Bytes(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    // The next byte, 0 once the input is used up.
    uint8_t next() { return empty() ? 0 : data_[at_++]; }
    // Up to n bytes.
    QByteArray take(size_t n);
    QByteArray rest() { return take(size_ - at_); }

private:
    const uint8_t *data_;
    size_t size_;
    size_t at_ = 0;
};

// Stops the run (abort) with the property and the detail on stderr.
void require(bool holds, const char *property, const QString &detail = {});

// Checks one command as it went out against the register's line rule: one
// line, ended by CR LF when longer than two characters, one or two characters
// bare; the one command the register takes without a reply keeps its own CR
// before the CR LF. `command` is what the caller sent, `wire` what the line
// carried.
void requireFramed(const QString &command, const QString &wire);

// Makes a private working folder the current directory for the whole run
// (the translator and the settings readers work in the current folder).
void enterScratchFolder();

} // namespace dravimo::fuzz
