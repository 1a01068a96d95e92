#pragma once

#include <QString>

// The program's own INI file "ZEV.ini", section "Splošno".
struct ZevIniSettings {
    bool fileFound = false;
    QString DbType;        // "Tip", comment stripped; "ORACLE" when missing
    QString XmlPathServer; // "XMLPath_Server", comment stripped
    bool DebugOn = false;  // "Debug" read as an integer: non-zero is on
    QString agencyHost;    // "AgencyHost": host of the agency's schema URL
};

inline constexpr const char* DefaultAgencyHost = "www.ujp.gov.si";

// A text value with its trailing "//" comment removed, blanks and control
// characters trimmed.
QString stripIniComment(const QString& value);

// Reads "ZEV.ini" from the folder, or where platform::programFile finds it when the
// folder is empty; a missing file gives the defaults with fileFound false.
ZevIniSettings readZevIni(const QString& folder);
