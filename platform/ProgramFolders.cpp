#include "platform/ProgramFolders.h"

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace platform {

namespace {

// The folders of one run, found from the executable's place and the environment.
struct Layout {
    QString home;       // ZEV_HOME; empty when not set
    QString executable; // the executable's folder
    bool installed = false;
    QString settings;
    QString shipped;
    QString data;
};

QString withoutTrailingSeparator(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) && folder.size() > 1 ? folder.chopped(1) : folder;
}

// PREFIX/etc/zev, except that the configuration of ROOT/usr lies in ROOT/etc/zev (so
// that /usr gives /etc/zev).
QString settingsFolderOf(const QString& prefix) {
    const QString prefixPath = withoutTrailingSeparator(prefix);
    const QString root =
        fileNameOf(prefixPath) == QLatin1String("usr") ? folderOf(prefixPath) : prefix;
    return root + QStringLiteral("etc/zev/");
}

QString userDataFolder() {
    return includeTrailingSeparator(
               QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) +
           QStringLiteral("zev/");
}

Layout currentLayout() {
    Layout layout;
    layout.home = includeTrailingSeparator(qEnvironmentVariable("ZEV_HOME"));
    layout.executable = executableFolder();
    const QString prefix = folderOf(withoutTrailingSeparator(layout.executable));
    const QString installedData = prefix + QStringLiteral("share/zev/");
    const bool besideInstalledData = folderExists(installedData);
    layout.installed = besideInstalledData || !QFileInfo(layout.executable).isWritable();
    layout.settings = besideInstalledData ? settingsFolderOf(prefix) : layout.executable;
    layout.shipped = besideInstalledData ? installedData : layout.executable;
    layout.data = userDataFolder();
    return layout;
}

ProgramFileKind kindOf(const QString& name) {
    static const QStringList settings{QStringLiteral("dbalias.ini"), QStringLiteral("ZEV.ini"),
                                      QStringLiteral("NewLook.ini")};
    static const QStringList shipped{QStringLiteral("ZEVTradingAccountsReport_1_0.xsd"),
                                     QStringLiteral("demo.db")};
    if (settings.contains(name, Qt::CaseInsensitive))
        return ProgramFileKind::Setting;
    if (shipped.contains(name, Qt::CaseInsensitive))
        return ProgramFileKind::Shipped;
    return ProgramFileKind::Written;
}

// The folder for written files, made when missing (a failure shows when a file is
// written there, with the system's reason).
QString madeFolder(const QString& folder) {
    if (!folderExists(folder))
        createFolder(folder);
    return folder;
}

QString folderOfKind(const Layout& layout, ProgramFileKind kind) {
    if (!layout.home.isEmpty())
        return kind == ProgramFileKind::Written ? madeFolder(layout.home) : layout.home;
    if (!layout.installed)
        return layout.executable;
    switch (kind) {
    case ProgramFileKind::Setting:
        return layout.settings;
    case ProgramFileKind::Shipped:
        return layout.shipped;
    case ProgramFileKind::Written:
        break;
    }
    return madeFolder(layout.data);
}

QString fileOfKind(const Layout& layout, const QString& name, ProgramFileKind kind) {
    const QString path = folderOfKind(layout, kind) + name;
    if (!layout.home.isEmpty()) {
        if (kind == ProgramFileKind::Shipped && !QFileInfo::exists(path))
            return layout.shipped + name;
        return path;
    }
    if (layout.installed && kind == ProgramFileKind::Setting && !QFileInfo::exists(path))
        return layout.data + name;
    return path;
}

// Copies the default unless the target exists; the target when it was copied.
QString copyDefault(const QString& source, const QString& target) {
    if (QFileInfo::exists(target) || !fileExists(source))
        return {};
    createFolder(folderOf(target));
    if (!copyFileNoOverwrite(source, target))
        throw InOutError(
            QStringLiteral("Cannot copy the default file \"%1\" to \"%2\".").arg(source, target));
    return target;
}

} // namespace

QString programFolder(ProgramFileKind kind, const QString& chosenFolder) {
    if (!chosenFolder.isEmpty())
        return includeTrailingSeparator(chosenFolder);
    return folderOfKind(currentLayout(), kind);
}

QString programFile(const QString& name, const QString& chosenFolder) {
    if (!chosenFolder.isEmpty())
        return includeTrailingSeparator(chosenFolder) + name;
    return fileOfKind(currentLayout(), name, kindOf(name));
}

void copyMissingDefaults() {
    const Layout layout = currentLayout();
    if (layout.home.isEmpty() && !layout.installed)
        return;
    const QString aliasFile = QStringLiteral("dbalias.ini");
    const QString aliasTarget = fileOfKind(layout, aliasFile, ProgramFileKind::Setting);
    QStringList copied;
    copied << copyDefault(layout.shipped + aliasFile, aliasTarget);
    // The demo alias names the database beside the alias file.
    if (!copied.last().isEmpty())
        copied << copyDefault(layout.shipped + QStringLiteral("demo.db"),
                              folderOf(aliasTarget) + QStringLiteral("demo.db"));
    const QString iniFile = QStringLiteral("ZEV.ini");
    copied << copyDefault(layout.shipped + iniFile,
                          fileOfKind(layout, iniFile, ProgramFileKind::Setting));
    copied.removeAll(QString());
    if (!copied.isEmpty())
        showMessage(MessageKind::Information,
                    QStringLiteral("First start: the program's default files were copied to %1.")
                        .arg(copied.join(QStringLiteral(", "))));
}

} // namespace platform
