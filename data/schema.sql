-- Tables of the embedded (SQLite) back-office database that the ZEV reporting tool
-- reads and writes. The server schema with the same tables is pg-schema.sql.
--
-- Dates are ISO 8601 text: 'YYYY-MM-DD', or 'YYYY-MM-DD HH:MM:SS' when the time of
-- day matters; statements bind their date parameters the same way, so equality and
-- ordering on dates work as text comparisons.

-- Persons: the broker itself (key 2) and its clients.
CREATE TABLE OSB (
    SFOSB INTEGER PRIMARY KEY,
    TIP VARCHAR(1),                 -- 'P' legal person, 'F' natural person
    DVS VARCHAR(20),                -- tax number
    MATST VARCHAR(10),              -- registration number of a legal person
    IME VARCHAR(60),                -- first name; empty text for a legal person
    NZV VARCHAR(70),                -- surname or firm name
    NSL VARCHAR(40),                -- street address
    POSTA VARCHAR(10),              -- post code
    MST VARCHAR(40),                -- city
    DRZ VARCHAR(2),                 -- country
    PRORAC_UPOR VARCHAR(1)          -- budget user: 'D' yes, 'N' or null no
);

-- Accounts (contracts) of the persons.
CREATE TABLE POG (
    IDPOG INTEGER PRIMARY KEY,      -- account number
    SFOSB INTEGER NOT NULL,         -- owner
    VRSTA VARCHAR(10),              -- kind of account
    DATOD DATE,                     -- opened
    DATDO DATE                      -- closed, null while open
);
CREATE INDEX POG_SFOSB ON POG (SFOSB);

-- Financial kinds of the instruments: 'G' cash, 'D' shares, 'O' bonds, ...
CREATE TABLE FIN (
    SFFIN VARCHAR(2) PRIMARY KEY,
    NAZIV VARCHAR(60)
);

-- Currencies, keyed by the ISO numeric code.
CREATE TABLE VLT (
    SFVLT INTEGER PRIMARY KEY,
    KRT VARCHAR(3) NOT NULL,        -- ISO letter code
    NAZIV VARCHAR(40)
);

-- Markets.
CREATE TABLE TRG (
    SFTRG INTEGER PRIMARY KEY,
    MIC VARCHAR(4),                 -- market identifier code
    NAZIV VARCHAR(60),
    DRZ VARCHAR(2)
);

-- Instruments: securities and the cash balances of each currency.
CREATE TABLE SFVP (
    SFVP INTEGER PRIMARY KEY,
    ISIN VARCHAR(14),
    KRT VARCHAR(30),                -- short name (ticker)
    NAZIV VARCHAR(100),
    SFFIN VARCHAR(2),               -- financial kind (FIN)
    SFGLVENT VARCHAR(3),            -- principal unit: '%' quoted in per cent, 'KOS' pieces
    SFVLTNMN INTEGER,               -- nominal currency (VLT)
    IZDAJATELJ VARCHAR(70)          -- issuer
);
CREATE INDEX SFVP_ISIN ON SFVP (ISIN);

-- Daily holdings history: one row per account, instrument, kind and lot; the
-- holdings statement sums the lots per account, instrument and exchange rate.
CREATE TABLE VPHST (
    SFVPHST INTEGER PRIMARY KEY,
    DAN DATE NOT NULL,
    IDPOG INTEGER NOT NULL,
    SFVP INTEGER NOT NULL,
    SFSVP VARCHAR(2) NOT NULL,      -- kind of holding: 'L' own, 'Z' pledged, 'B' blocked
    TCJVLT REAL,                    -- exchange rate of the currency
    GLVVLT REAL,                    -- principal value of one lot in the currency
    OBRVLT REAL,                    -- accrued interest of one lot in the currency
    LOT REAL                        -- quantity (pieces, nominal, or cash amount)
);
CREATE INDEX VPHST_DAN ON VPHST (DAN, SFSVP, IDPOG);
CREATE INDEX VPHST_IDPOG ON VPHST (IDPOG, DAN);

-- Quotation records: the market an instrument was quoted on from a date.
CREATE TABLE VPKRO (
    SFVPKRO INTEGER PRIMARY KEY,
    SFVP INTEGER NOT NULL,
    DAN DATE NOT NULL,
    SFTRGVRD INTEGER                -- market of the quotation (TRG)
);
CREATE INDEX VPKRO_SFVP ON VPKRO (SFVP, DAN);

-- Custody records: where an instrument is kept; KTCLEZTT 'D' marks custody abroad.
CREATE TABLE KTC (
    SFKTC INTEGER PRIMARY KEY,
    SFVP INTEGER NOT NULL,
    DAN DATE NOT NULL,              -- valid from
    DANPRK DATE,                    -- valid until (exclusive), null while valid
    KTCLEZTT VARCHAR(1),
    SFTRG INTEGER,                  -- market of the custody (TRG)
    SKRBNIK VARCHAR(60)             -- custodian
);
CREATE INDEX KTC_SFVP ON KTC (SFVP, DAN);

-- Prices of the instruments by day; read by the function qor_gettcn.
CREATE TABLE TECAJNICA (
    SFVP INTEGER NOT NULL,
    DAN DATE NOT NULL,
    TCN REAL NOT NULL,
    PRIMARY KEY (SFVP, DAN)
);

-- Settings of the programs: one value per module, category and parameter.
CREATE TABLE SERPROG (
    ID_SERPROG INTEGER PRIMARY KEY,
    MODUL VARCHAR(200),
    KATEGORIJA VARCHAR(200),
    PARAMETER VARCHAR(200),
    USR VARCHAR(20),
    VREDNOST VARCHAR(2000)
);

-- Rights: given to a user directly, or to a group and so to its members.
CREATE TABLE RGT (
    USR VARCHAR(20) NOT NULL,
    SFRGT VARCHAR(10) NOT NULL,
    PRIMARY KEY (USR, SFRGT)
);
CREATE TABLE GRPRGT (
    IDGRP INTEGER NOT NULL,
    SFRGT VARCHAR(10) NOT NULL,
    PRIMARY KEY (IDGRP, SFRGT)
);
CREATE TABLE GRPUSR (
    IDGRP INTEGER NOT NULL,
    USR VARCHAR(20) NOT NULL,
    PRIMARY KEY (IDGRP, USR)
);
CREATE INDEX GRPUSR_USR ON GRPUSR (USR);

-- Translation store of the user interface.
CREATE TABLE PREVOD_FORME (
    ID_PREVODA INTEGER PRIMARY KEY,
    FORMNAME VARCHAR(100),
    PROGRAMNAME VARCHAR(100),
    DT_CHANGE TIMESTAMP
);
CREATE INDEX PREVOD_FORME_NAME ON PREVOD_FORME (PROGRAMNAME, FORMNAME);
CREATE TABLE PREVOD_ORG (
    ID_PREVODA INTEGER,
    ID_PREVOD_ORG INTEGER PRIMARY KEY,
    NAME VARCHAR(200),
    ORGTEXT VARCHAR(2000)
);
CREATE INDEX PREVOD_ORG_FORM ON PREVOD_ORG (ID_PREVODA, NAME);
CREATE TABLE PREVOD_DATA (
    ID_PREVODA INTEGER,
    ID_PREVOD_ORG INTEGER,
    ID_PREVOD_DATA INTEGER PRIMARY KEY,
    NAME VARCHAR(200),
    TRANSLTEXT VARCHAR(2000),
    TRANSLATED VARCHAR(1),          -- 'Y' translated, 'N' not yet
    KODA_JEZIKA VARCHAR(5)
);
CREATE INDEX PREVOD_DATA_FORM ON PREVOD_DATA (ID_PREVODA, NAME, KODA_JEZIKA);
CREATE INDEX PREVOD_DATA_ORG ON PREVOD_DATA (ID_PREVOD_ORG);
CREATE TABLE PREVOD_JEZIKI (
    KODA_JEZIKA VARCHAR(5) NOT NULL PRIMARY KEY,
    OPIS VARCHAR(50) NOT NULL
);

-- Key counters: the next value of each counter, with an optional prefix and suffix.
CREATE TABLE S_KLJUCI (
    IDKLJUC VARCHAR(30) NOT NULL PRIMARY KEY,
    STEVEC INTEGER,
    TIP VARCHAR(1),
    VIDEN INTEGER,
    PREDPONA VARCHAR(10),
    PRIPONA VARCHAR(10)
);

-- Clients as the lookup lists show them: the name in upper case (the search column of
-- the lookup controls), the client group and the town.
CREATE TABLE KMT (
    SFKMT INTEGER NOT NULL PRIMARY KEY,
    NAZIV VARCHAR(60) NOT NULL,
    SKUPINA INTEGER NOT NULL,
    KRAJ VARCHAR(30)
);
CREATE INDEX KMT_NAZIV ON KMT (NAZIV);
CREATE INDEX KMT_SKUPINA ON KMT (SKUPINA, NAZIV);

-- What the server offers and the embedded engine lacks.

-- The one-row table of the Oracle-style statements.
CREATE TABLE DUAL (
    DUMMY VARCHAR(1)
);
INSERT INTO DUAL (DUMMY) VALUES ('X');

-- Sequences, read as name.NEXTVAL: LAST_VALUE is the value handed out last.
CREATE TABLE DB_SEQUENCES (
    NAME TEXT PRIMARY KEY,
    LAST_VALUE INTEGER NOT NULL DEFAULT 0
);
INSERT INTO DB_SEQUENCES (NAME, LAST_VALUE) VALUES ('SERPROG_PK_SEQ', 0);

-- Server-side functions: each row is an SQL function NAME whose result is the first
-- column of the first row of BODY, a SELECT reading its arguments as ?1, ?2, ...
CREATE TABLE DB_FUNCTIONS (
    NAME TEXT PRIMARY KEY,
    BODY TEXT NOT NULL
);
-- qor_gettcn(instrument key, date): the latest price on or before the date.
INSERT INTO DB_FUNCTIONS (NAME, BODY) VALUES ('qor_gettcn',
    'SELECT TCN FROM TECAJNICA WHERE SFVP = ?1 AND DAN <= ?2 ORDER BY DAN DESC LIMIT 1');
-- CHR(code): the character of the code, as the server's chr() gives it (transfer scripts
-- write line breaks of translations as CHR(13) and CHR(10)).
INSERT INTO DB_FUNCTIONS (NAME, BODY) VALUES ('CHR', 'SELECT char(?1)');
