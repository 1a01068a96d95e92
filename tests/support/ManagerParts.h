#pragma once

#include "FormParts.h"
#include "controls/ACComboBox.h"
#include "controls/cDbGrid.h"
#include "db/DataSource.h"
#include "db/Query.h"
#include "platform/Components.h"
#include "platform/StdControls.h"
#include "translation/uFQorPrevodi.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

// The parts of the translation manager's form that tests drive, found as the translation
// walk and assistive tools find them: the controls and actions by their component names,
// the list's and the languages' queries through the grids that show them (see FormParts.h).
struct ManagerParts {
    template <typename Part> static Part* find(const QObject& form, const char* name) {
        return formPart<Part>(form, name);
    }
    static db::Query& queryOf(const QObject& form, const char* gridName) {
        auto* grid = find<controls::TKVDbGrid>(form, gridName);
        db::DataSource* source = grid->dataSource();
        auto* query = source ? qobject_cast<db::Query*>(source->dataSet()) : nullptr;
        if (!query)
            qFatal("The grid %s of the manager form shows no query", gridName);
        return *query;
    }

    explicit ManagerParts(const translation::TFQorPrevod& form)
        : PageControl(find<QTabWidget>(form, "PageControl1")),
          TSTranslation(find<platform::TTabSheet>(form, "TSTranslation")),
          TSTransList(find<platform::TTabSheet>(form, "TSTransList")),
          TSLanguage(find<platform::TTabSheet>(form, "TSLanguage")),
          PForm(find<platform::TPanel>(form, "PForm")),
          PControl(find<platform::TPanel>(form, "PControl")),
          MOriginal(find<QPlainTextEdit>(form, "MOriginal")),
          MTranslation(find<QPlainTextEdit>(form, "MTranslation")),
          PSug(find<QWidget>(form, "PSug")), SB(find<translation::TStatusPanels>(form, "SB")),
          SBCancelAndEnd(find<QToolButton>(form, "SBX")),
          PFormList(find<platform::TPanel>(form, "PFormList")),
          BTranslate(find<QPushButton>(form, "BTranslate")),
          BClearForm(find<QPushButton>(form, "BClearForm")),
          CBInstall(find<QCheckBox>(form, "CBInstall")), SBUt(find<QToolButton>(form, "SBUt")),
          SBT(find<QToolButton>(form, "SBT")), SB1(find<translation::TStatusPanels>(form, "SB1")),
          PTransfer(find<QWidget>(form, "PTransfer")), CBForm(find<QComboBox>(form, "CBForm")),
          CBCommand(find<QComboBox>(form, "CBCommand")), EFile(find<QLineEdit>(form, "EFile")),
          Button1(find<QPushButton>(form, "Button1")), Button2(find<QPushButton>(form, "Button2")),
          CBTransLanguage(find<controls::TACComboBox>(form, "CBTransLanguage")),
          CBTranslation(find<QCheckBox>(form, "CBTranslation")),
          CBWriteMode(find<QCheckBox>(form, "CBWriteMode")),
          eKoda_jezika(find<QLineEdit>(form, "eKoda_jezika")),
          eOpis(find<QLineEdit>(form, "eOpis")), BNew(find<QPushButton>(form, "BNew")),
          BInsert(find<QPushButton>(form, "BInsert")), BUpdate(find<QPushButton>(form, "BUpdate")),
          Save(find<QAction>(form, "Save")), Cancel(find<QAction>(form, "Cancel")),
          CancelAndEnd(find<QAction>(form, "CancelAndEnd")),
          ShowClear(find<QAction>(form, "ShowClear")), AUseSugg(find<QAction>(form, "AUseSugg")),
          AOnlyCreateTransl(find<QAction>(form, "AOnlyCreateTransl")), LQ(queryOf(form, "DBGrid1")),
          TLanguage(queryOf(form, "DBGrid2")) {}

    // pages
    QTabWidget* PageControl;
    platform::TTabSheet* TSTranslation;
    platform::TTabSheet* TSTransList;
    platform::TTabSheet* TSLanguage;
    // single text
    platform::TPanel* PForm;
    platform::TPanel* PControl;
    QPlainTextEdit* MOriginal;
    QPlainTextEdit* MTranslation;
    QWidget* PSug;
    translation::TStatusPanels* SB;
    QToolButton* SBCancelAndEnd;
    // list
    platform::TPanel* PFormList;
    QPushButton* BTranslate;
    QPushButton* BClearForm;
    QCheckBox* CBInstall;
    QToolButton* SBUt;
    QToolButton* SBT;
    translation::TStatusPanels* SB1;
    QWidget* PTransfer;
    QComboBox* CBForm;
    QComboBox* CBCommand;
    QLineEdit* EFile;
    QPushButton* Button1;
    QPushButton* Button2;
    // language
    controls::TACComboBox* CBTransLanguage;
    QCheckBox* CBTranslation;
    QCheckBox* CBWriteMode;
    QLineEdit* eKoda_jezika;
    QLineEdit* eOpis;
    QPushButton* BNew;
    QPushButton* BInsert;
    QPushButton* BUpdate;
    // actions
    QAction* Save;
    QAction* Cancel;
    QAction* CancelAndEnd;
    QAction* ShowClear;
    QAction* AUseSugg;
    QAction* AOnlyCreateTransl;
    // queries
    db::Query& LQ;
    db::Query& TLanguage;
};
