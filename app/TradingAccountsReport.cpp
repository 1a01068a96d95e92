#include "app/TradingAccountsReport.h"

#include "app/DebugLog.h"
#include "app/ReportDocument.h"
#include "app/XmlValidation.h"
#include "db/Query.h"
#include "db/uDMLB.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Pictures.h"

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

// One TradingAccount per change of the account number's text; the first row always
// starts one.
void addTradingAccounts(ReportDocument& document, Element root, db::Query& holdings,
                        platform::TDateTime reportDate) {
    holdings.close();
    holdings.paramByName(QStringLiteral("dan")).setAsDateTime(reportDate);
    inOnePass(holdings, [&] {
        const HoldingsColumns row(holdings);
        std::optional<QString> currentAccountNo;
        Element account;
        for (; !holdings.eof(); holdings.next()) {
            const QString accountNo = row.accountNo.asString();
            if (!currentAccountNo || accountNo != *currentAccountNo) {
                account = addTradingAccount(document, root, row);
                currentAccountNo = accountNo;
            }
            addHolding(document, account, row);
        }
    });
}

void buildReport(ReportDocument& document, const ReportContext& context) {
    const Element root = document.setRoot("TradingAccountsReport");
    document.setAttribute(root, "xsi:noNamespaceSchemaLocation", QLatin1String(SchemaFileName));
    document.setAttribute(root, "xmlns:xsi", QLatin1String(SchemaInstanceNamespace));
    addReportingCompany(document, root, context.session);
    const platform::TDateTime reportDate = context.reportDate();
    addReportPeriod(document, root, reportDate);
    addTradingAccounts(document, root, context.holdings, reportDate);
}

// Writes the delivered form whole or not at all: nothing partial ever lies in the
// report folder, where the agency's transfer may pick it up.
bool deliver(QByteArray reportText, const QString& path, const QString& agencyHost) {
    try {
        platform::writeFileAtomically(path, withAgencyNamespace(std::move(reportText), agencyHost));
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

// The end of the root's start tag: the first '>' after the first '<' that opens an
// element (libxml2 writes '>' inside attribute values as "&gt;").
qsizetype rootStartTagEnd(const QByteArray& text) {
    qsizetype open = text.indexOf('<');
    while (open >= 0 && open + 1 < text.size() && (text[open + 1] == '?' || text[open + 1] == '!'))
        open = text.indexOf('<', text.indexOf('>', open));
    return open < 0 ? -1 : text.indexOf('>', open);
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
    QByteArray reportText;
    ReportSettings settings;
    {
        ReportDocument document;
        settings = readSettings(context.session);
        buildReport(document, context);
        reportText = document.text();
    }

    ReportOutcome outcome;
    const QString fileName = reportFileName(settings, context.clock());
    const QString executableFolder = platform::includeTrailingSeparator(context.executableFolder);
    outcome.workingCopyPath = executableFolder + QStringLiteral("ZevXmlValidate.xml");
    platform::writeFileAtomically(outcome.workingCopyPath, reportText);

    const ValidationResult validation =
        ValidateXml(reportText, outcome.workingCopyPath, executableFolder, context.errorDisplay);
    outcome.valid = validation.valid;
    outcome.validationError = validation.errorText;
    if (validation.valid)
        context.errorDisplay.hideValidationError();

    outcome.reportPath = platform::includeTrailingSeparator(settings.folder) + fileName;
    context.log.write(QStringLiteral("XML FileName:") + outcome.reportPath);
    outcome.saved = deliver(std::move(reportText), outcome.reportPath, context.agencyHost);
    return outcome;
}
