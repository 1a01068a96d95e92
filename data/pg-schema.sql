-- Tables of the back-office database on a PostgreSQL server (15 or later), the same
-- as the embedded database of schema.sql with server types: NUMERIC amounts and
-- quantities, DATE dates, TIMESTAMP where the time of day matters. Also what the
-- Oracle-style statements of the programs expect of the server: DUAL, NVL, the
-- sequences and the price function qor_gettcn.
--
-- Run in one transaction on an empty database (pg-load does this); it fails, and
-- changes nothing, when the tables exist already.

-- Persons: the broker itself (key 2) and its clients.
CREATE TABLE osb (
    sfosb INTEGER PRIMARY KEY,
    tip VARCHAR(1),                 -- 'P' legal person, 'F' natural person
    dvs VARCHAR(20),                -- tax number
    matst VARCHAR(10),              -- registration number of a legal person
    ime VARCHAR(60),                -- first name; empty text for a legal person
    nzv VARCHAR(70),                -- surname or firm name
    nsl VARCHAR(40),                -- street address
    posta VARCHAR(10),              -- post code
    mst VARCHAR(40),                -- city
    drz VARCHAR(2),                 -- country
    prorac_upor VARCHAR(1)          -- budget user: 'D' yes, 'N' or null no
);

-- Accounts (contracts) of the persons.
CREATE TABLE pog (
    idpog INTEGER PRIMARY KEY,      -- account number
    sfosb INTEGER NOT NULL,         -- owner
    vrsta VARCHAR(10),              -- kind of account
    datod DATE,                     -- opened
    datdo DATE                      -- closed, null while open
);
CREATE INDEX pog_sfosb ON pog (sfosb);

-- Financial kinds of the instruments: 'G' cash, 'D' shares, 'O' bonds, ...
CREATE TABLE fin (
    sffin VARCHAR(2) PRIMARY KEY,
    naziv VARCHAR(60)
);

-- Currencies, keyed by the ISO numeric code.
CREATE TABLE vlt (
    sfvlt INTEGER PRIMARY KEY,
    krt VARCHAR(3) NOT NULL,        -- ISO letter code
    naziv VARCHAR(40)
);

-- Markets.
CREATE TABLE trg (
    sftrg INTEGER PRIMARY KEY,
    mic VARCHAR(4),                 -- market identifier code
    naziv VARCHAR(60),
    drz VARCHAR(2)
);

-- Instruments: securities and the cash balances of each currency.
CREATE TABLE sfvp (
    sfvp INTEGER PRIMARY KEY,
    isin VARCHAR(14),
    krt VARCHAR(30),                -- short name (ticker)
    naziv VARCHAR(100),
    sffin VARCHAR(2),               -- financial kind (fin)
    sfglvent VARCHAR(3),            -- principal unit: '%' quoted in per cent, 'KOS' pieces
    sfvltnmn INTEGER,               -- nominal currency (vlt)
    izdajatelj VARCHAR(70)          -- issuer
);
CREATE INDEX sfvp_isin ON sfvp (isin);

-- Daily holdings history: one row per account, instrument, kind and lot.
CREATE TABLE vphst (
    sfvphst INTEGER PRIMARY KEY,
    dan DATE NOT NULL,
    idpog INTEGER NOT NULL,
    sfvp INTEGER NOT NULL,
    sfsvp VARCHAR(2) NOT NULL,      -- kind of holding: 'L' own, 'Z' pledged, 'B' blocked
    tcjvlt NUMERIC,                 -- exchange rate of the currency
    glvvlt NUMERIC,                 -- principal value of one lot in the currency
    obrvlt NUMERIC,                 -- accrued interest of one lot in the currency
    lot NUMERIC                     -- quantity (pieces, nominal, or cash amount)
);
CREATE INDEX vphst_dan ON vphst (dan, sfsvp, idpog);
CREATE INDEX vphst_idpog ON vphst (idpog, dan);

-- Quotation records: the market an instrument was quoted on from a date.
CREATE TABLE vpkro (
    sfvpkro INTEGER PRIMARY KEY,
    sfvp INTEGER NOT NULL,
    dan DATE NOT NULL,
    sftrgvrd INTEGER                -- market of the quotation (trg)
);
CREATE INDEX vpkro_sfvp ON vpkro (sfvp, dan);

-- Custody records: where an instrument is kept; ktcleztt 'D' marks custody abroad.
CREATE TABLE ktc (
    sfktc INTEGER PRIMARY KEY,
    sfvp INTEGER NOT NULL,
    dan DATE NOT NULL,              -- valid from
    danprk DATE,                    -- valid until (exclusive), null while valid
    ktcleztt VARCHAR(1),
    sftrg INTEGER,                  -- market of the custody (trg)
    skrbnik VARCHAR(60)             -- custodian
);
CREATE INDEX ktc_sfvp ON ktc (sfvp, dan);

-- Prices of the instruments by day; read by qor_gettcn.
CREATE TABLE tecajnica (
    sfvp INTEGER NOT NULL,
    dan DATE NOT NULL,
    tcn NUMERIC NOT NULL,
    PRIMARY KEY (sfvp, dan)
);

-- Settings of the programs: one value per module, category and parameter.
CREATE TABLE serprog (
    id_serprog INTEGER PRIMARY KEY,
    modul VARCHAR(200),
    kategorija VARCHAR(200),
    parameter VARCHAR(200),
    usr VARCHAR(20),
    vrednost VARCHAR(2000)
);
CREATE SEQUENCE serprog_pk_seq;

-- Rights: given to a user directly, or to a group and so to its members.
CREATE TABLE rgt (
    usr VARCHAR(20) NOT NULL,
    sfrgt VARCHAR(10) NOT NULL,
    PRIMARY KEY (usr, sfrgt)
);
CREATE TABLE grprgt (
    idgrp INTEGER NOT NULL,
    sfrgt VARCHAR(10) NOT NULL,
    PRIMARY KEY (idgrp, sfrgt)
);
CREATE TABLE grpusr (
    idgrp INTEGER NOT NULL,
    usr VARCHAR(20) NOT NULL,
    PRIMARY KEY (idgrp, usr)
);
CREATE INDEX grpusr_usr ON grpusr (usr);

-- Translation store of the user interface.
CREATE TABLE prevod_forme (
    id_prevoda INTEGER PRIMARY KEY,
    formname VARCHAR(100),
    programname VARCHAR(100),
    dt_change TIMESTAMP
);
CREATE INDEX prevod_forme_name ON prevod_forme (programname, formname);
CREATE TABLE prevod_org (
    id_prevoda INTEGER,
    id_prevod_org INTEGER PRIMARY KEY,
    name VARCHAR(200),
    orgtext VARCHAR(2000)
);
CREATE INDEX prevod_org_form ON prevod_org (id_prevoda, name);
CREATE TABLE prevod_data (
    id_prevoda INTEGER,
    id_prevod_org INTEGER,
    id_prevod_data INTEGER PRIMARY KEY,
    name VARCHAR(200),
    transltext VARCHAR(2000),
    translated VARCHAR(1),          -- 'Y' translated, 'N' not yet
    koda_jezika VARCHAR(5)
);
CREATE INDEX prevod_data_form ON prevod_data (id_prevoda, name, koda_jezika);
CREATE INDEX prevod_data_org ON prevod_data (id_prevod_org);
CREATE TABLE prevod_jeziki (
    koda_jezika VARCHAR(5) NOT NULL PRIMARY KEY,
    opis VARCHAR(50) NOT NULL
);

-- Key counters: the next value of each counter, with an optional prefix and suffix.
CREATE TABLE s_kljuci (
    idkljuc VARCHAR(30) NOT NULL PRIMARY KEY,
    stevec INTEGER,
    tip VARCHAR(1),
    viden INTEGER,
    predpona VARCHAR(10),
    pripona VARCHAR(10)
);

-- Clients as the lookup lists show them: the name in upper case (the search column of
-- the lookup controls), the client group and the town.
CREATE TABLE kmt (
    sfkmt INTEGER NOT NULL PRIMARY KEY,
    naziv VARCHAR(60) NOT NULL,
    skupina INTEGER NOT NULL,
    kraj VARCHAR(30)
);
CREATE INDEX kmt_naziv ON kmt (naziv);
CREATE INDEX kmt_skupina ON kmt (skupina, naziv);

-- The one-row table of the Oracle-style statements.
CREATE VIEW dual AS SELECT CAST('X' AS VARCHAR(1)) AS dummy;

-- NVL(a, b): b when a is null. The arguments may differ in type as long as they
-- have a common one (numeric and integer, date and timestamp, text and varchar).
CREATE FUNCTION nvl(value anycompatible, fallback anycompatible) RETURNS anycompatible
    LANGUAGE sql IMMUTABLE PARALLEL SAFE
    AS 'SELECT COALESCE(value, fallback)';

-- qor_gettcn(instrument key, date): the latest price on or before the date, null
-- when there is none. The second form takes a time stamp (an untyped date literal
-- or parameter resolves to it) and uses its date.
CREATE FUNCTION qor_gettcn(instrument INTEGER, day DATE) RETURNS NUMERIC
    LANGUAGE sql STABLE PARALLEL SAFE
    AS $$
        SELECT t.tcn FROM tecajnica t
         WHERE t.sfvp = instrument AND t.dan <= day
         ORDER BY t.dan DESC
         LIMIT 1
    $$;
CREATE FUNCTION qor_gettcn(instrument INTEGER, moment TIMESTAMP WITH TIME ZONE) RETURNS NUMERIC
    LANGUAGE sql STABLE PARALLEL SAFE
    AS 'SELECT qor_gettcn(instrument, CAST(moment AS DATE))';
