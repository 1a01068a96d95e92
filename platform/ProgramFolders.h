#pragma once

#include <QString>

// Where the program's own files are: the one place that decides it.
//
// The programs keep a few files "beside themselves". Which folder that is depends on
// how they run:
//
//   ZEV_HOME names a folder  every file is there. Files that come with the program and
//                            are missing there are read where they were installed.
//   a build folder           the executable's folder is writable and no installed data
//                            lies beside it: every file is in the executable's folder.
//   installed                the executable lies in PREFIX/bin beside PREFIX/share/zev, or
//                            in a folder that it may not write:
//     Setting  what the administrator sets: SETTINGS/NAME when the file is there, else
//              the user's own copy in DATA. SETTINGS is /etc/zev for the prefix /usr,
//              ROOT/etc/zev for ROOT/usr and PREFIX/etc/zev otherwise; the executable's
//              folder when nothing is installed beside it.
//     Shipped  what comes with the program, read only: PREFIX/share/zev.
//     Written  what the program writes: DATA, the folder "zev" in the user's XDG data
//              folder ($XDG_DATA_HOME/zev, by default ~/.local/share/zev).
//
// The kind of each file:
//   Setting  dbalias.ini, ZEV.ini, NewLook.ini, the modules' INI files of the settings
//            editor (the folder of the kind)
//   Shipped  ZEVTradingAccountsReport_1_0.xsd, demo.db, and the defaults that a first
//            start copies (dbalias.ini with the demo alias, ZEV.ini)
//   Written  everything else: Log.txt, ZevXmlValidate.xml and .bad, LNG/, QorTrans.ini,
//            QorTranslation.ini, Dravik.ini, PrevodForme.Log, translation scripts, and a
//            relative report folder (the setting XML_PATH)
//
// chosenFolder: a folder that the caller chose for all the files (a test, a session's
// private directory); when not empty every path is in it and nothing else is looked at.

namespace platform {

enum class ProgramFileKind { Setting, Shipped, Written };

// The folder of one kind, with a trailing '/'. The folder for written files is made
// when it is missing.
QString programFolder(ProgramFileKind kind, const QString& chosenFolder = {});

// The path of a file or folder (ending in '/') of the program, by the table above. A
// relative name may hold folders ("porocila/"); an empty name is the folder for
// written files.
QString programFile(const QString& name, const QString& chosenFolder = {});

// The first start of an installed program, or one with ZEV_HOME: copies the defaults
// it needs where they are missing (dbalias.ini with the demo alias and the demo
// database beside it, ZEV.ini) and says what it copied where in an information
// message. Does nothing in a build folder. Raises InOutError when a default cannot be
// copied.
void copyMissingDefaults();

} // namespace platform
