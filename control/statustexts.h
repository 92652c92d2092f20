#pragma once
// The texts the main window shows in its status line and caption. Each is
// used exactly where the poll cycle, the ECR check, the start and stop
// actions and the reports put it; the accented and unaccented waiting texts
// are two different strings on purpose (the job-finished pair has no accents).

#include <QString>

namespace dravimo::texts {

inline const QString kSearchingStatus = QStringLiteral("Εύρεση Φορολογικής Ταμειακής !!! ");
inline const QString kSearchingCaption = QStringLiteral("Dravimo- Αναζήτηση");
inline const QString kOnLineStatus = QStringLiteral("Φορολογικός Εκτυπωτής ON-Line, Έτοιμος Για Εκτυπωσεις");
inline const QString kReadyCaption = QStringLiteral("Dravimo- Έτοιμο");
inline const QString kOffLineStatus = QStringLiteral("Φορολογικός Εκτυπωτής Off-Line, Εκτυπώσεις Ανενεργές !");
inline const QString kGivenUpCaption = QStringLiteral("Dravimo- Λάθος!");
inline const QString kPrintingStatus = QStringLiteral("Αναμονή Για Στοιχεία....");
inline const QString kPrintingCaption = QStringLiteral("Dravimo- Αναμονή");
inline const QString kJobDoneStatus = QStringLiteral("Αναμονη Για Στοιχεια....");
inline const QString kJobDoneCaption = QStringLiteral("Dravimo- Αναμονη");
inline const QString kStoppedStatus = QStringLiteral("Διακοπή Εκτυπώσεων. Πατήστε Έναρξη Εκτυπώσεων!!!");
inline const QString kStoppedCaption = QStringLiteral("Dravimo- Διακόπηκε");

// Reports: the first text has its accent on a different letter from the
// other three ("ολοκλήρωση" against "ολοκληρωσή"): operators know the
// texts as they are, so they stay exactly so.
inline const QString kXReport0Status =
    QStringLiteral("Εκτέλεση Ισοζυγίου!!! Παρακαλώ περιμένετε για την ολοκλήρωση του");
inline const QString kReportStatus = QStringLiteral("Εκτέλεση Ισοζυγίου!!! Παρακαλώ περιμένετε για την ολοκληρωσή του");
inline const QString kReportDoneStatus = QStringLiteral("Το Ισοζύγιο ολοκληρώθηκε");

// A print file the system will not let us read; its path and the reason follow.
inline const QString kUnreadablePrintFile = QStringLiteral("Δεν διαβάζεται το αρχείο εκτύπωσης ");
// A result-file line the system would not let us write; the file, the reason
// and the line itself follow, so the outcome is still there to be read.
inline const QString kUnwritableResultFile = QStringLiteral("Δεν γράφεται το αρχείο αποτελεσμάτων ");
// A write the job's record rests on failed (a full disk, say): the job
// stopped and is settled once the folder can be written again.
inline const QString kWriteFailed =
    QStringLiteral("Η εργασία σταμάτησε: δεν γίνεται εγγραφή στον δίσκο, θα τακτοποιηθεί μόλις γίνει ξανά δυνατή: ");
// A command that changes the register went unanswered: the job is settled as
// after a crash (see Controller::replyLost).
inline const QString kReplyLost = QStringLiteral("Χωρίς απάντηση, η εργασία τακτοποιείται: ");
inline const QString kWritesWorkAgain = QStringLiteral("Η εγγραφή στον δίσκο είναι ξανά δυνατή");

// One failed attempt of the search for the register; the reason follows.
inline const QString kSearchFailed = QStringLiteral("Εύρεση Φορολογικής Ταμειακής: ");

// Information labels.
inline const QString kFilePathJoin = QStringLiteral(" @Path : ");
inline const QString kDescriptionOn = QStringLiteral("Να Εκτυπώνεται");
inline const QString kDescriptionOff = QStringLiteral("Να ΜΗΝ Εκτυπώνεται");
inline const QString kCommentsOff = QStringLiteral("Οχι");
inline const QString kCommentsOn = QStringLiteral("Nαι"); // Latin N
inline const QString kMainCurrency = QStringLiteral("Κύριο Νόμισμα");
inline const QString kSecondCurrency = QStringLiteral("Δευτερεύων Νομισμα");

} // namespace dravimo::texts
