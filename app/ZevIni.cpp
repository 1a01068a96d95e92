#include "app/ZevIni.h"

#include "platform/Files.h"
#include "platform/ProfileFile.h"
#include "platform/ProgramFolders.h"

namespace {

const QString Section = QStringLiteral("Splošno");

QString trimBlanksAndControls(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

QString stripIniComment(const QString& value) {
    const qsizetype comment = value.indexOf(QLatin1String("//"));
    return trimBlanksAndControls(comment < 0 ? value : value.left(comment));
}

ZevIniSettings readZevIni(const QString& folder) {
    ZevIniSettings settings;
    settings.DbType = QStringLiteral("ORACLE");
    settings.agencyHost = QString::fromLatin1(DefaultAgencyHost);
    const QString path = platform::programFile(QStringLiteral("ZEV.ini"), folder);
    if (!platform::fileExists(path))
        return settings;
    const platform::ProfileFile ini(path);
    settings.fileFound = true;
    settings.DbType =
        stripIniComment(ini.readString(Section, QStringLiteral("Tip"), QStringLiteral("ORACLE")));
    settings.XmlPathServer =
        stripIniComment(ini.readString(Section, QStringLiteral("XMLPath_Server")));
    settings.DebugOn = ini.readInteger(Section, QStringLiteral("Debug"), 0) != 0;
    const QString host = stripIniComment(ini.readString(Section, QStringLiteral("AgencyHost")));
    if (!host.isEmpty())
        settings.agencyHost = host;
    return settings;
}
