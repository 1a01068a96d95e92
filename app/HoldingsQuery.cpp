#include "app/HoldingsQuery.h"

#include "db/Query.h"

namespace {

// The statement as the back office writes it, line by line; blanks at line ends
// belong to it.
const QStringList HoldingsStatement = {
    QStringLiteral("SELECT * FROM ("),
    QStringLiteral(
        "SELECT vphst.dan, pog.idpog AS accountNo, osb.dvs AS OwnerTaxId, (osb.ime || "
        "' ' || osb.nzv) AS OwnerName, osb.nsl AS OwnerAddress, osb.mst AS OwnerCity,  "),
    QStringLiteral("(CASE WHEN sfvp.sffin='G' THEN 'Cash' "),
    QStringLiteral("ELSE "),
    QStringLiteral("CASE WHEN sfvp.sfglvent='%' THEN 'Debt' ELSE 'Equity'  END"),
    QStringLiteral("END) AS Category,"),
    QStringLiteral("sfvp.isin AS Isin,"),
    QStringLiteral("vlt.krt AS Currency,"),
    QStringLiteral("sfvp.krt,"),
    QStringLiteral("COALESCE(qor_gettcn(sfvp.sfvp, :dan),0) AS Price,"),
    QStringLiteral("round(sum((vphst.glvvlt + vphst.obrvlt)*vphst.lot),2) AS Amount_Value,"),
    QStringLiteral("sum(vphst.lot) as Quantity,"),
    QStringLiteral("(SELECT mic from trg WHERE sftrg = (select sftrgvrd from vpkro where "
                   "sfvp=sfvp.sfvp and sfvpkro = (select max(sfvpkro) from vpkro where dan <= "
                   ":dan and sfvp=sfvp.sfvp))) as mic,"),
    QStringLiteral("(SELECT mic from trg WHERE sftrg = (select sftrg from ktc where ktc.dan <= "
                   ":dan AND (ktc.DanPrk IS NULL OR ktc.DanPrk > :dan) AND ktc.KtcLezTT = 'D' and "
                   "ktc.sfvp=sfvp.sfvp)) as mic_KRSB_tuj"),
    QStringLiteral("FROM vphst"),
    QStringLiteral("LEFT OUTER JOIN pog ON vphst.idpog=pog.idpog"),
    QStringLiteral("LEFT OUTER JOIN osb ON pog.sfosb=osb.sfosb"),
    QStringLiteral("LEFT OUTER JOIN sfvp ON vphst.sfvp=sfvp.sfvp"),
    QStringLiteral("LEFT OUTER JOIN fin ON sfvp.sffin=fin.sffin"),
    QStringLiteral("LEFT OUTER JOIN vlt ON sfvp.sfvltnmn=vlt.sfvlt"),
    QStringLiteral("WHERE vphst.sfsvp='L' "),
    QStringLiteral("AND vphst.dan=:dan"),
    QStringLiteral("AND nvl(osb.prorac_upor,'N') = 'D'"),
    QStringLiteral("GROUP BY vphst.dan, pog.idpog, osb.dvs, osb.ime, osb.nzv, osb.nsl, osb.mst, "
                   "sfvp.sfvp, sfvp.isin, sfvp.krt, sfvp.sffin, sfvp.sfglvent, vphst.tcjvlt, "
                   "vlt.krt"),
    QStringLiteral(") DATA"),
    QStringLiteral("ORDER BY accountno, category"),
};

struct FieldLayout {
    const char* name;
    db::FieldType type;
    db::FieldKind kind;
    const char* title; // null: the field name
    int width;         // 0: the default
    int size;
    const char* format;
    bool visible;
};

using db::FieldKind;
using db::FieldType;

// The fields in grid order, with their titles, widths, sizes and formats.
const FieldLayout HoldingsFields[] = {
    {"dan", FieldType::DateTime, FieldKind::Data, nullptr, 0, 0, "", false},
    {"ownername", FieldType::String, FieldKind::Data, "Lastnik", 25, 131, "", true},
    {"ownertaxid", FieldType::String, FieldKind::Data, "Davčna št.", 8, 20, "", true},
    {"category", FieldType::String, FieldKind::Data, "Kat.", 6, 10, "", true},
    {"isin", FieldType::String, FieldKind::Data, "Isin", 14, 14, "", true},
    {"currency", FieldType::String, FieldKind::Data, "Valuta", 3, 3, "", true},
    {"quantity", FieldType::Float, FieldKind::Data, "Količina", 0, 0, "#,##0.##", true},
    {"amount_value", FieldType::Float, FieldKind::Data, "Vrednost", 12, 0, "#,##0.##", true},
    {"krt", FieldType::String, FieldKind::Data, "Papir", 10, 30, "", true},
    {"mic_xml", FieldType::String, FieldKind::Calculated, "Mic", 4, 4, "", true},
    {"mic", FieldType::String, FieldKind::Data, "Mic", 5, 4, "", false},
    {"mic_krsb_tuj", FieldType::String, FieldKind::Data, "Mic krsb tujina", 5, 4, "", false},
    {"owneraddress", FieldType::String, FieldKind::Data, "Naslov", 15, 40, "", true},
    {"ownercity", FieldType::String, FieldKind::Data, "Mesto", 15, 40, "", true},
    {"price", FieldType::Float, FieldKind::Data, "Cena", 0, 0, "#,##0.##", false},
    {"accountno", FieldType::Float, FieldKind::Data, nullptr, 0, 0, "", true},
};

} // namespace

void defineHoldingsQuery(db::Query& query) {
    query.close();
    query.setSql(HoldingsStatement);
    query.clearFields();
    for (const FieldLayout& layout : HoldingsFields) {
        db::Field& field =
            query.addField(QString::fromUtf8(layout.name), layout.type, layout.kind, layout.size);
        if (layout.title)
            field.setDisplayLabel(QString::fromUtf8(layout.title));
        if (layout.width > 0)
            field.setDisplayWidth(layout.width);
        field.setDisplayFormat(QString::fromUtf8(layout.format));
        field.setVisible(layout.visible);
    }
    query.onCalcFields = calculateMicXml;
}

void calculateMicXml(db::DataSet& holdings) {
    const db::Field& custody = holdings.fieldByName(QStringLiteral("mic_krsb_tuj"));
    const db::Field& quotation = holdings.fieldByName(QStringLiteral("mic"));
    db::Field& micXml = holdings.fieldByName(QStringLiteral("mic_xml"));
    if (!custody.asString().isEmpty())
        micXml.setAsString(custody.asString());
    else if (!quotation.asString().isEmpty())
        micXml.setAsString(quotation.asString());
    else
        micXml.clear();
}
