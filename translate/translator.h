#pragma once
// The print-file translator: one print file in, the ECR's command sequence
// out, and the job's outcome appended to its result file.

#include <QString>

#include <functional>

namespace dravimo {

class FiscalTec;

class Translator
{
public:
    explicit Translator(FiscalTec &ecr);
    ~Translator();

    // Translates one print file. All settings are the text slices of the
    // settings record. Returns false when the file could not be opened or read
    // (no outcome lines are written then; the caller decides what to do).
    bool getdata(const QString &file, const QString &descpr, const QString &CODEPR, QString &FILENAME,
                 const QString &comment, const QString &DLAY, const QString &curr, const QString &keyboff,
                 const QString &ecrt, const QString &ddep, const QString &qua);

    // Runs the daily Z report for an "MKZ" line (the main window's report).
    std::function<void()> zReport;

    // Prints the card-failure notice on the ECR at the end of a job in which a
    // fallback payment replaced a failed card payment (the card-payment
    // procedure's own notice). The flag is cleared after it either way.
    std::function<void()> cardFailureNotice;

private:
    FiscalTec &ecr_;
};

} // namespace dravimo
