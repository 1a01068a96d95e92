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

#include <QFile>

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

ReportSettings readSettings(TDMLB& session) {
    ReportSettings settings;
    settings.folder = session.GetSetting(SettingsCategory, QStringLiteral("XML_PATH"));
    settings.partnerId = session.GetSetting(SettingsCategory, QStringLiteral("PartnerId"));
    settings.tradingAccount =
        session.GetSetting(SettingsCategory, QStringLiteral("TrgovalniRacun"));
    return settings;
}

// Partner identifier, "_", trading account and the time stamp, with no separator
// between the last two: 123_45620240307140509.xml.
QString reportFileName(const ReportSettings& settings, platform::TDateTime time) {
    return settings.partnerId + QLatin1Char('_') + settings.tradingAccount +
           platform::formatDateTime(QStringLiteral("yyyymmddhhnnss"), time) +
           QStringLiteral(".xml");
}

// Runs the body and closes the query afterwards, also when the body fails.
template <typename Body> void closingAfter(db::Query& query, Body body) {
    try {
        body();
    } catch (...) {
        query.close();
        throw;
    }
    query.close();
}

void addReportingCompany(ReportDocument& document, Element root, TDMLB& session) {
    const Element company = document.addElement(root, "ReportingCompany");
    closingAfter(session.qOsb, [&] {
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
    });
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
    query.disableControls();
    query.setUnidirectional(true);
    const auto finish = [&] {
        query.close();
        query.setUnidirectional(false);
        query.enableControls();
    };
    try {
        query.open();
        body();
    } catch (...) {
        finish();
        throw;
    }
    finish();
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

// The delivered form of the checked text, written whole or not at all: nothing partial
// ever lies in the report folder, where the agency's transfer may pick it up. Only the
// beginning up to the root's start tag is held to be rewritten; the rest is copied on
// in blocks.
void writeDeliveredForm(const QString& checkedTextPath, const QString& path,
                        const QString& agencyHost) {
    QFile source(checkedTextPath);
    const auto failedReading = [&] {
        return platform::InOutError(QStringLiteral("Cannot read file \"%1\": %2")
                                        .arg(checkedTextPath, source.errorString()));
    };
    if (!source.open(QIODevice::ReadOnly))
        throw failedReading();
    const qint64 BlockSize = 1 << 20;
    QByteArray block;
    QByteArray head;
    do {
        block = source.read(BlockSize);
        head.append(block);
    } while (!block.isEmpty() && rootStartTagEnd(head) < 0);
    platform::AtomicFileWriter delivered(path);
    delivered.write(withAgencyNamespace(std::move(head), agencyHost));
    while (!(block = source.read(BlockSize)).isEmpty())
        delivered.write(block);
    if (source.error() != QFileDevice::NoError)
        throw failedReading();
    delivered.commit();
}

bool deliver(const QString& checkedTextPath, const QString& path, const QString& agencyHost) {
    try {
        writeDeliveredForm(checkedTextPath, path, agencyHost);
    } catch (const std::exception& error) {
        // The program's own errors give their message as UTF-8 through what().
        platform::showMessage(platform::MessageKind::Error,
                              QStringLiteral("Napaka pri shranjevanju datoteke: ") + path +
                                  QStringLiteral("\r\r") + QString::fromUtf8(error.what()));
        return false;
    }
    platform::showMessage(platform::MessageKind::Information,
                          QStringLiteral("Xml datoteka ") + path +
                              QStringLiteral(" uspešno generirana."));
    return true;
}

// Builds the document into the working copy and through the check at the same time;
// the working copy is put in place whole when the document is complete.
ValidationResult writeAndCheck(const ReportContext& context, const QString& workingCopyPath,
                               const QString& executableFolder, QString& checkedTextPath) {
    WorkingCopyValidation validation(workingCopyPath, executableFolder, context.errorDisplay);
    {
        platform::AtomicFileWriter workingCopy(workingCopyPath);
        ReportDocument document([&](const char* data, qsizetype size) {
            workingCopy.write(data, size);
            validation.append(data, size);
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
    ReportOutcome outcome;
    const QString executableFolder = platform::includeTrailingSeparator(context.executableFolder);
    outcome.workingCopyPath = executableFolder + QStringLiteral("ZevXmlValidate.xml");
    QString checkedTextPath;
    const ValidationResult validation =
        writeAndCheck(context, outcome.workingCopyPath, executableFolder, checkedTextPath);
    outcome.valid = validation.valid;
    outcome.validationError = validation.errorText;

    const QString fileName = reportFileName(settings, context.clock());
    outcome.reportPath = platform::includeTrailingSeparator(settings.folder) + fileName;
    context.log.write(QStringLiteral("XML FileName:") + outcome.reportPath);
    outcome.saved = deliver(checkedTextPath, outcome.reportPath, context.agencyHost);
    return outcome;
}
