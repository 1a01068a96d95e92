#pragma once

#include "db/Table.h"
#include "db/Ufwdsrc.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QSplitter;
class QToolButton;
class QWidget;
class TSerprogValueMemo;

namespace controls {
class DbGrid;
class DbNavigator;
} // namespace controls

// The settings editor: lists and edits the rows of the settings table SERPROG of one
// module, and seeds a module without rows from the module's INI file. All its database
// work runs on the connection "LB". It frees itself when closed.
class TfSifSerprog : public QDialog {
    Q_OBJECT
public:
    // programFolder: the folder of the program's settings (platform::programFolder
    // decides when empty); the modules' INI files are found from there.
    explicit TfSifSerprog(QWidget* parent = nullptr, const QString& programFolder = {});
    ~TfSifSerprog() override;

    // Prepares the editor for the module and shows it modally.
    void ShowForModule(const QString& module, bool iniBesideProgram);
    // Everything ShowForModule does before showing: selects the module, applies it and
    // seeds it from its INI file.
    void PrepareForModule(const QString& module, bool iniBesideProgram);

    // Shows the module's display name and filters the rows to the module.
    void ApplyModule();
    // Seeds a module that has no rows (in any letter case) from its INI file.
    void ImportIniSettings();
    // Where the module's INI file lies, with a trailing '/'.
    QString IniFolder() const;
    // The module whose settings the editor shows.
    const QString& currentModule() const { return CurrentModule; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString CurrentModule;
    bool IniBesideProgram = true;
    db::Table tSerprog;
    TFwwDataSource dsSerprog;

    void createComponents();
    void defineFields();
    void fillModuleList();
    void selectModule(const QString& module);
    bool settingExists(const QString& category, const QString& parameter) const;
    void addSetting(const QString& category, const QString& parameter, const QString& value);

    void tSerprogAfterOpen();
    void tSerprogAfterInsert();
    void tSerprogAfterEdit();
    void tSerprogAfterPostOrCancel();
    void cbModulClick();
    void sbPreberiClick();

    QString programFolder_;
    QWidget* pnlTop = nullptr;
    QLabel* lCaption = nullptr;
    QComboBox* cbModul = nullptr;
    QToolButton* sbPreberi = nullptr;
    QSplitter* splVrednost = nullptr;
    controls::DbGrid* dbgSerprog = nullptr;
    TSerprogValueMemo* dbmVrednost = nullptr;
    controls::DbNavigator* DBNavigator1 = nullptr;
    bool centred_ = false;
};
