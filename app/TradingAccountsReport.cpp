#include "app/TradingAccountsReport.h"

#include "app/DebugLog.h"
#include "app/ReportDocument.h"
#include "app/XmlValidation.h"
#include "db/Query.h"
#include "db/uDMLB.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Pictures.h"
#include "platform/ProgramFolders.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace {

using Element = ReportDocument::Element;

const QString SettingsCategory = QStringLiteral("SPLOŠNE");
const int ReportingCompanyKey = 2;

struct ReportSettings {
    QString folder;
    QString partnerId;
    QString tradingAccount;
};

// A part of the report's file name must keep the file in the report folder and be a
// name that every file system takes (the folder is often a Windows share): no path
// separator, "..", control character or character that Windows refuses.
bool isFileNamePart(const QString& text) {
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    return !text.contains(QLatin1String("..")) &&
           std::none_of(text.begin(), text.end(), [](QChar c) {
               return c.unicode() < 0x20 || c.unicode() == 0x7F || refused.contains(c);
           });
}

QString fileNamePartSetting(TDMLB& session, const char* parameter) {
    const QString name = QLatin1String(parameter);
    QString value = session.GetSetting(SettingsCategory, name);
    if (!isFileNamePart(value))
        throw platform::Exception(QStringLiteral("Napačna nastavitev %1/%2: \"%3\" ne more biti "
                                                 "del imena datoteke poročila.")
                                      .arg(SettingsCategory, name, value));
    return value;
}

ReportSettings readSettings(TDMLB& session) {
    ReportSettings settings;
    settings.folder = session.GetSetting(SettingsCategory, QStringLiteral("XML_PATH"));
    settings.partnerId = fileNamePartSetting(session, "PartnerId");
    settings.tradingAccount = fileNamePartSetting(session, "TrgovalniRacun");
    return settings;
}

// The agency's host goes into the delivered root element as it stands, so it must be a
// plain host name: letters, digits, dots and hyphens, and a port after a colon.
void requirePlainHostName(const QString& host) {
    static const QRegularExpression plainHost(
        QStringLiteral("^[A-Za-z0-9](?:[A-Za-z0-9.-]*[A-Za-z0-9])?(?::[0-9]{1,5})?$"));
    if (!plainHost.match(host).hasMatch())
        throw platform::Exception(
            QStringLiteral("Napačna nastavitev AgencyHost v datoteki ZEV.ini: \"%1\" ni ime "
                           "strežnika (dovoljene so črke, števke, pike, vezaji in vrata za "
                           "dvopičjem, na primer www.ujp.gov.si).")
                .arg(host));
}

// The operator's message for a report file that could not be written.
QString savingFailed(const QString& path, const QString& reason) {
    return QStringLiteral("Napaka pri shranjevanju datoteke: ") + path + QStringLiteral("\r\r") +
           reason;
}

// The report folder of the settings; a relative one lies in the program's folder for
// written files and is made there when missing.
QString reportFolderOf(const ReportSettings& settings, const QString& programFolder) {
    if (!QDir::isRelativePath(settings.folder))
        return platform::includeTrailingSeparator(settings.folder);
    const QString folder =
        platform::programFile(platform::includeTrailingSeparator(settings.folder), programFolder);
    if (!platform::folderExists(folder))
        platform::createFolder(folder);
    return folder;
}

// Partner identifier, "_", trading account and the time stamp, with no separator
// between the last two: 123_45620240307140509.xml.
QString reportFileName(const ReportSettings& settings, platform::TDateTime time) {
    return settings.partnerId + QLatin1Char('_') + settings.tradingAccount +
           platform::formatDateTime(QStringLiteral("yyyymmddhhnnss"), time) +
           QStringLiteral(".xml");
}

void addReportingCompany(ReportDocument& document, Element root, TDMLB& session) {
    const Element company = document.addElement(root, "ReportingCompany");
    platform::withCleanup(
        [&] {
            const db::Query& person = session.OpenPerson(ReportingCompanyKey);
            const auto text = [&](const char* name) {
                return person.fieldByName(QLatin1String(name)).asString();
            };
            document.addElement(company, "TaxId", text("DVS"));
            document.addElement(company, "OrganisationType", QStringLiteral("Brokerage"));
            document.addElement(company, "Name",
                                (text("NZV") + QLatin1Char(' ') + text("IME")).trimmed());
            document.addElement(company, "Address", text("NSL"));
            document.addElement(company, "City", text("MST"));
        },
        [&session] { session.qOsb.close(); });
}

void addReportPeriod(ReportDocument& document, Element root, platform::TDateTime reportDate) {
    const platform::DateParts date = platform::decodeDate(reportDate);
    const Element period = document.addElement(root, "ReportPeriod");
    document.addElement(period, "Month", QString::number(date.month));
    document.addElement(period, "Year", QStringLiteral("%1").arg(date.year, 4, 10, QChar(u'0')));
}

// The holdings columns the report reads, found once per run.
struct HoldingsColumns {
    explicit HoldingsColumns(const db::Query& holdings)
        : accountNo(field(holdings, "AccountNo")), ownerTaxId(field(holdings, "OwnerTaxId")),
          ownerName(field(holdings, "OwnerName")), ownerAddress(field(holdings, "OwnerAddress")),
          ownerCity(field(holdings, "OwnerCity")), category(field(holdings, "Category")),
          isin(field(holdings, "Isin")), mic(field(holdings, "mic_xml")),
          name(field(holdings, "krt")), quantity(field(holdings, "Quantity")),
          amount(field(holdings, "Amount_value")), currency(field(holdings, "Currency")) {}

    static const db::Field& field(const db::Query& holdings, const char* name) {
        return holdings.fieldByName(QLatin1String(name));
    }

    const db::Field &accountNo, &ownerTaxId, &ownerName, &ownerAddress, &ownerCity, &category,
        &isin, &mic, &name, &quantity, &amount, &currency;
};

Element addTradingAccount(ReportDocument& document, Element root, const HoldingsColumns& row) {
    const Element account = document.addElement(root, "TradingAccount");
    document.addElement(account, "AccountNo", row.accountNo.asString());
    document.addElement(account, "OwnerTaxId", row.ownerTaxId.asString());
    document.addElement(account, "OwnerName", row.ownerName.asString().trimmed());
    document.addElement(account, "OwnerAddress", row.ownerAddress.asString());
    document.addElement(account, "OwnerCity", row.ownerCity.asString());
    return account;
}

void addHolding(ReportDocument& document, Element account, const HoldingsColumns& row) {
    const QString category = row.category.asString();
    if (category == QLatin1String("Cash")) {
        const Element cash = document.addElement(account, "CashBalance");
        document.addElement(cash, "Amount", TDMLB::FormatNumber(row.amount.asFloat()));
        document.addElement(cash, "Currency", row.currency.asString());
        return;
    }
    const Element security = document.addElement(account, "Security");
    document.addElement(security, "ISIN", row.isin.asString());
    document.addElement(security, "MIC", row.mic.asString());
    document.addElement(security, "Name", row.name.asString());
    document.addElement(security, "Category", category);
    document.addElement(security, "Quantity", TDMLB::FormatNumber(row.quantity.asFloat()));
    document.addElement(security, "Value", TDMLB::FormatNumber(row.amount.asFloat()));
    document.addElement(security, "Currency", row.currency.asString());
}

// Runs the body on the query opened for one forward-only pass, whose rows leave
// memory as soon as they are read. The controls attached to the query stay quiet
// meanwhile; the query is closed afterwards, also when the body fails, and the
// controls then hear of it once.
template <typename Body> void inOnePass(db::Query& query, Body body) {
    db::withControlsDisabled(query, [&] {
        query.setUnidirectional(true);
        platform::withCleanup(
            [&] {
                query.open();
                body();
            },
            [&] {
                query.close();
                query.setUnidirectional(false);
            });
    });
}

// The holdings rows written between two reports of the count.
const qint64 RowsPerProgressReport = 1000;

// One TradingAccount per change of the account number's text; the first row always
// starts one.
void addTradingAccounts(ReportDocument& document, Element root, db::Query& holdings,
                        platform::TDateTime reportDate,
                        const std::function<void(qint64)>& rowsWritten) {
    holdings.close();
    holdings.paramByName(QStringLiteral("dan")).setAsDateTime(reportDate);
    inOnePass(holdings, [&] {
        const HoldingsColumns row(holdings);
        std::optional<QString> currentAccountNo;
        Element account;
        qint64 written = 0;
        for (; !holdings.eof(); holdings.next()) {
            const QString accountNo = row.accountNo.asString();
            if (!currentAccountNo || accountNo != *currentAccountNo) {
                account = addTradingAccount(document, root, row);
                currentAccountNo = accountNo;
            }
            addHolding(document, account, row);
            if (++written % RowsPerProgressReport == 0 && rowsWritten)
                rowsWritten(written);
        }
        if (rowsWritten)
            rowsWritten(written);
    });
}

void buildReport(ReportDocument& document, const ReportContext& context) {
    const Element root = document.setRoot("TradingAccountsReport");
    document.setAttribute(root, "xsi:noNamespaceSchemaLocation", QLatin1String(SchemaFileName));
    document.setAttribute(root, "xmlns:xsi", QLatin1String(SchemaInstanceNamespace));
    addReportingCompany(document, root, context.session);
    const platform::TDateTime reportDate = context.reportDate();
    addReportPeriod(document, root, reportDate);
    addTradingAccounts(document, root, context.holdings, reportDate, context.rowsWritten);
}

// The checked text as read back from its file, block by block, with its fingerprint
// taken on the way.
class CheckedTextReader {
public:
    explicit CheckedTextReader(const QString& path) : file_(path) {
        if (!file_.open(QIODevice::ReadOnly))
            fail();
    }

    QByteArray next() {
        QByteArray block = file_.read(BlockSize);
        if (file_.error() != QFileDevice::NoError)
            fail();
        fingerprint_.add(block);
        return block;
    }

    // Raises when the file does not hold the text that was checked (a working copy cut
    // short by a full disk, or changed since).
    void requireSameAs(const platform::ContentFingerprint& checked) const {
        const platform::ContentFingerprint read = fingerprint_.result();
        if (read == checked)
            return;
        throw platform::InOutError(
            QStringLiteral("Datoteka %1 ni enaka preverjenemu poročilu (prebranih %2 bajtov, "
                           "preverjenih %3).")
                .arg(file_.fileName())
                .arg(read.size)
                .arg(checked.size));
    }

private:
    static constexpr qint64 BlockSize = 1 << 20;

    [[noreturn]] void fail() const {
        throw platform::InOutError(QStringLiteral("Cannot read file \"%1\": %2")
                                       .arg(file_.fileName(), file_.errorString()));
    }

    QFile file_;
    platform::FingerprintBuilder fingerprint_;
};

// The delivered form of the checked text, written whole or not at all: nothing partial
// ever lies in the report folder, where the agency's transfer may pick it up, and
// nothing but the bytes that were checked. Only the beginning up to the root's start
// tag is held to be rewritten; the rest is copied on in blocks.
void writeDeliveredForm(const QString& checkedTextPath,
                        const platform::ContentFingerprint& checkedText, const QString& path,
                        const QString& agencyHost) {
    CheckedTextReader source(checkedTextPath);
    QByteArray block;
    QByteArray head;
    do {
        block = source.next();
        head.append(block);
    } while (!block.isEmpty() && rootStartTagEnd(head) < 0);
    platform::AtomicFileWriter delivered(path);
    delivered.write(withAgencyNamespace(std::move(head), agencyHost));
    while (!(block = source.next()).isEmpty())
        delivered.write(block);
    source.requireSameAs(checkedText);
    delivered.commit();
}

bool deliver(const QString& checkedTextPath, const platform::ContentFingerprint& checkedText,
             const QString& path, const QString& agencyHost) {
    try {
        writeDeliveredForm(checkedTextPath, checkedText, path, agencyHost);
    } catch (const std::exception& error) {
        // The program's own errors give their message as UTF-8 through what().
        platform::showMessage(platform::MessageKind::Error,
                              savingFailed(path, QString::fromUtf8(error.what())));
        return false;
    }
    platform::showMessage(platform::MessageKind::Information,
                          QStringLiteral("Xml datoteka ") + path +
                              QStringLiteral(" uspešno generirana."));
    return true;
}

// The working copy, whose failures are the operator's message for a file that could not
// be saved.
class WorkingCopyFile {
public:
    explicit WorkingCopyFile(const QString& path) : path_(path) {
        saving([&] { file_.emplace(path); });
    }
    void write(const char* data, qsizetype size) {
        saving([&] { file_->write(data, size); });
    }
    void commit() {
        saving([&] { file_->commit(); });
    }

private:
    template <typename Step> void saving(Step step) {
        try {
            step();
        } catch (const platform::InOutError& error) {
            throw platform::InOutError(savingFailed(path_, error.message()));
        }
    }

    QString path_;
    std::optional<platform::AtomicFileWriter> file_;
};

QString replacedCharacterError(const char* element, char32_t character) {
    const QString code = QString::number(uint(character), 16).toUpper().rightJustified(4, u'0');
    return QStringLiteral("Element '%1': the character U+%2 is not allowed in XML; the report "
                          "holds U+FFFD in its place.")
        .arg(QLatin1String(element), code);
}

// Builds the document into the working copy and through the check at the same time;
// the working copy is put in place whole when the document is complete.
ValidationResult writeAndCheck(const ReportContext& context, const QString& workingCopyPath,
                               const QString& schemaFolder, QString& checkedTextPath) {
    WorkingCopyValidation validation(workingCopyPath, schemaFolder, context.errorDisplay);
    {
        WorkingCopyFile workingCopy(workingCopyPath);
        ReportDocument document([&](const char* data, qsizetype size) {
            workingCopy.write(data, size);
            validation.append(data, size);
        });
        document.onReplacedCharacter([&](const char* element, char32_t character) {
            validation.reject(replacedCharacterError(element, character));
        });
        buildReport(document, context);
        document.finish();
        workingCopy.commit();
    }
    const ValidationResult result = validation.finish();
    checkedTextPath = validation.checkedTextPath();
    return result;
}

} // namespace

QByteArray withAgencyNamespace(QByteArray reportText, const QString& agencyHost) {
    const QByteArray reference =
        QByteArray("xsi:noNamespaceSchemaLocation=\"") + SchemaFileName + '"';
    const QByteArray declaration =
        "xmlns=\"http://" + agencyHost.toUtf8() + "/Sheme/xsd/" + SchemaFileName + '"';
    const qsizetype tagEnd = rootStartTagEnd(reportText);
    if (tagEnd < 0)
        return reportText;
    const QByteArray startTag = reportText.left(tagEnd).toLower();
    const QByteArray lowerReference = reference.toLower();
    std::vector<qsizetype> found;
    for (qsizetype at = startTag.indexOf(lowerReference); at >= 0;
         at = startTag.indexOf(lowerReference, at + reference.size()))
        found.push_back(at);
    // From the last one back, so that the places found before stay where they are; the
    // text is changed where it lies.
    for (auto at = found.rbegin(); at != found.rend(); ++at)
        reportText.replace(*at, reference.size(), declaration);
    return reportText;
}

ReportOutcome generateTradingAccountsReport(const ReportContext& context) {
    context.log.write(QStringLiteral("Generiranje xml-ja!"));
    context.log.write(QStringLiteral("pre TXMLDocument.Create!"));
    const ReportSettings settings = readSettings(context.session);
    requirePlainHostName(context.agencyHost);
    ReportOutcome outcome;
    outcome.workingCopyPath =
        platform::programFile(QStringLiteral("ZevXmlValidate.xml"), context.programFolder);
    const QString schemaFolder = platform::folderOf(
        platform::programFile(QLatin1String(SchemaFileName), context.programFolder));
    QString checkedTextPath;
    const ValidationResult validation =
        writeAndCheck(context, outcome.workingCopyPath, schemaFolder, checkedTextPath);
    outcome.valid = validation.valid;
    outcome.validationError = validation.errorText;

    const QString fileName = reportFileName(settings, context.clock());
    outcome.reportPath = reportFolderOf(settings, context.programFolder) + fileName;
    context.log.write(QStringLiteral("XML FileName:") + outcome.reportPath);
    outcome.saved =
        deliver(checkedTextPath, validation.checkedText, outcome.reportPath, context.agencyHost);
    return outcome;
}
