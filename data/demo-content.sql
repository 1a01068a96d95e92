-- Demo content of the back-office database, for the embedded database (after
-- schema.sql) and for the server (after pg-schema.sql, through pg-load). Plain
-- INSERT ... VALUES with ISO date literals only (and one INSERT ... SELECT that crosses
-- two VALUES lists), so that one file serves both engines.
--
-- The reporting date of the demo is 30.09.2024. On it the budget users' accounts
-- hold cash in EUR and USD, bonds and shares; other clients, other kinds of holdings
-- and other dates are there to be left out.

INSERT INTO FIN (SFFIN, NAZIV) VALUES
    ('G', 'Denarna sredstva'),
    ('D', 'Delnice'),
    ('O', 'Obveznice'),
    ('S', 'Investicijski skladi');

INSERT INTO VLT (SFVLT, KRT, NAZIV) VALUES
    (978, 'EUR', 'Evro'),
    (840, 'USD', 'Ameriški dolar'),
    (826, 'GBP', 'Britanski funt'),
    (756, 'CHF', 'Švicarski frank');

INSERT INTO TRG (SFTRG, MIC, NAZIV, DRZ) VALUES
    (1, 'XLJU', 'Ljubljanska borza', 'SI'),
    (2, 'XZAG', 'Zagrebačka burza', 'HR'),
    (3, 'XWAR', 'Giełda Papierów Wartościowych w Warszawie', 'PL'),
    (4, 'XETR', 'Xetra', 'DE'),
    (5, 'XFRA', 'Börse Frankfurt', 'DE'),
    (6, 'XNAS', 'Nasdaq', 'US'),
    (7, 'XNYS', 'New York Stock Exchange', 'US'),
    (8, 'XLON', 'London Stock Exchange', 'GB');

-- The broker (person 2), the budget users (101-106) and other clients (201-203).
-- Legal persons carry no first name: some an empty one, some none at all (101, 105),
-- as the back office keeps them; the owner's name is their surname field either way.
INSERT INTO OSB (SFOSB, TIP, DVS, MATST, IME, NZV, NSL, POSTA, MST, DRZ, PRORAC_UPOR) VALUES
    (2, 'P', '56831404', '5683140000', '', 'Borzno posredniška hiša Primer d.d.',
        'Slovenska cesta 56', '1000', 'Ljubljana', 'SI', 'N'),
    (101, 'P', '82419051', '5874121000', NULL, 'Občina Lipnica',
        'Glavni trg 1', '3240', 'Lipnica', 'SI', 'D'),
    (102, 'P', '31277462', '5088437000', '', 'Osnovna šola Lipnica',
        'Šolska ulica 5', '3240', 'Lipnica', 'SI', 'D'),
    (103, 'P', '66190835', '5054206000', '', 'Zdravstveni dom Rakitna',
        'Rakitna 12', '1352', 'Preserje', 'SI', 'D'),
    (104, 'P', '44502176', '1122335000', '', 'Zavod za šport Dravinja',
        'Celjska cesta 22', '3210', 'Slovenske Konjice', 'SI', 'D'),
    (105, 'P', '91063582', '2033917000', NULL, 'Sklad za razvoj podeželja Pomurje',
        'Lendavska ulica 7', '9000', 'Murska Sobota', 'SI', 'D'),
    (106, 'P', '73628140', '6311582000', 'Javni zavod', 'Turizem Bela krajina',
        'Trg svobode 4', '8330', 'Metlika', 'SI', 'D'),
    (201, 'F', '29580315', NULL, 'Janez', 'Novak',
        'Celovška cesta 150', '1000', 'Ljubljana', 'SI', 'N'),
    (202, 'F', '55207499', NULL, 'Marija', 'Horvat',
        'Partizanska cesta 33', '2000', 'Maribor', 'SI', NULL),
    (203, 'P', '40876624', '3316698000', '', 'Mizarstvo Kovač d.o.o.',
        'Obrtna cona 3', '4220', 'Škofja Loka', 'SI', 'N');

INSERT INTO POG (IDPOG, SFOSB, VRSTA, DATOD, DATDO) VALUES
    (100001, 2, 'LASTNI', '2005-01-03', NULL),
    (100234, 101, 'SKRBNIŠKI', '2012-04-16', NULL),
    (100241, 101, 'SKRBNIŠKI', '2019-11-04', NULL),
    (100517, 102, 'SKRBNIŠKI', '2014-09-01', NULL),
    (100788, 103, 'SKRBNIŠKI', '2016-02-22', NULL),
    (101026, 104, 'SKRBNIŠKI', '2018-06-11', NULL),
    (101349, 105, 'SKRBNIŠKI', '2020-03-09', NULL),
    (101570, 106, 'SKRBNIŠKI', '2021-10-18', NULL),
    (102113, 201, 'SKRBNIŠKI', '2010-05-27', NULL),
    (102456, 202, 'SKRBNIŠKI', '2017-08-30', NULL),
    (102698, 203, 'SKRBNIŠKI', '2022-01-12', '2024-06-30');

-- Instruments: cash (1, 2), bonds (10-12), shares (20-25).
INSERT INTO SFVP (SFVP, ISIN, KRT, NAZIV, SFFIN, SFGLVENT, SFVLTNMN, IZDAJATELJ) VALUES
    (1, NULL, 'EUR', 'Denarna sredstva v EUR', 'G', NULL, 978, NULL),
    (2, NULL, 'USD', 'Denarna sredstva v USD', 'G', NULL, 840, NULL),
    (10, 'SI0002104196', 'RS96', 'Republika Slovenija 3,125% 2032', 'O', '%', 978,
        'Republika Slovenija'),
    (11, 'SI0032600015', 'OLI1', 'Občina Lipnica 4,00% 2028', 'O', '%', 978,
        'Občina Lipnica'),
    (12, 'DE0001102580', 'DBR 2,6 34', 'Bundesrepublik Deutschland 2,60% 2034', 'O', '%', 978,
        'Bundesrepublik Deutschland'),
    (20, 'SI0031102120', 'KRKG', 'Krka, d.d., Novo mesto', 'D', 'KOS', 978,
        'Krka, d.d., Novo mesto'),
    (21, 'SI0031102153', 'PETG', 'Petrol d.d., Ljubljana', 'D', 'KOS', 978,
        'Petrol d.d., Ljubljana'),
    (22, 'US0378331005', 'AAPL', 'Apple Inc.', 'D', 'KOS', 840, 'Apple Inc.'),
    (23, 'DE0007164600', 'SAP', 'SAP SE', 'D', 'KOS', 978, 'SAP SE'),
    (24, 'SI0031174566', 'GGDG', 'Gorenjska gradbena družba d.d.', 'D', 'KOS', 978,
        'Gorenjska gradbena družba d.d.'),
    (25, 'US5949181045', 'MSFT', 'Microsoft Corporation', 'D', 'KOS', 840,
        'Microsoft Corporation');

-- Quotation records. On 30.09.2024: Krka on XLJU (an older record on XWAR, a later
-- one after the date), RS96 and Petrol on XLJU, SAP on XFRA; Apple, the Bund, OLI1
-- and GGDG have none.
INSERT INTO VPKRO (SFVPKRO, SFVP, DAN, SFTRGVRD) VALUES
    (1, 20, '2024-01-05', 3),
    (2, 10, '2024-03-12', 1),
    (3, 21, '2024-06-14', 1),
    (4, 23, '2024-07-01', 5),
    (5, 20, '2024-09-27', 1),
    (6, 20, '2024-10-10', 3),
    (7, 25, '2024-10-15', 6);

-- Custody records. Valid abroad on 30.09.2024: Apple on XNAS, SAP and the Bund on
-- XETR. Apple's older record ended before the date, OLI1's ends on the date itself
-- (so it no longer counts), GGDG and Krka are kept at home ('N'), Petrol's foreign
-- custody starts after the date.
INSERT INTO KTC (SFKTC, SFVP, DAN, DANPRK, KTCLEZTT, SFTRG, SKRBNIK) VALUES
    (1, 22, '2019-01-14', '2022-03-01', 'D', 7, 'State Street Bank'),
    (2, 22, '2022-03-01', NULL, 'D', 6, 'Clearstream Banking'),
    (3, 23, '2023-05-10', NULL, 'D', 4, 'Clearstream Banking'),
    (4, 12, '2024-02-15', NULL, 'D', 4, 'Clearstream Banking'),
    (5, 11, '2023-01-02', '2024-09-30', 'D', 2, 'Zagrebačka banka'),
    (6, 24, '2015-07-01', NULL, 'N', 1, 'KDD'),
    (7, 20, '2008-03-03', NULL, 'N', 1, 'KDD'),
    (8, 21, '2024-10-01', NULL, 'D', 3, 'Bank Pekao'),
    (9, 25, '2021-05-04', NULL, 'D', 6, 'Clearstream Banking');

-- Prices: Apple has none on 30.09.2024 itself (the one of 27.09.2024 counts), GGDG
-- none at all.
INSERT INTO TECAJNICA (SFVP, DAN, TCN) VALUES
    (10, '2024-09-30', 101.25),
    (11, '2024-06-28', 99.8),
    (12, '2024-09-26', 103.12),
    (20, '2024-08-30', 128.0),
    (20, '2024-09-27', 135.0),
    (20, '2024-09-30', 136.5),
    (20, '2024-10-01', 138.0),
    (21, '2024-09-30', 23.6),
    (22, '2024-09-27', 227.79),
    (22, '2024-10-01', 226.21),
    (23, '2024-09-30', 206.45),
    (25, '2024-10-31', 406.35);

-- Holdings. Cash lots are amounts (principal 1); bond lots are nominal amounts with
-- the price and the accrued interest per unit of nominal; share lots are pieces.
INSERT INTO VPHST (SFVPHST, DAN, IDPOG, SFVP, SFSVP, TCJVLT, GLVVLT, OBRVLT, LOT) VALUES
    -- 30.09.2024, budget users
    (1, '2024-09-30', 100234, 1, 'L', 1, 1, 0, 152340.75),
    (2, '2024-09-30', 100234, 2, 'L', 1.1196, 1, 0, 1234.5),
    (3, '2024-09-30', 100234, 10, 'L', 1, 1.0125, 0.0089, 50000),
    (4, '2024-09-30', 100234, 20, 'L', 1, 136.5, 0, 1000),
    (5, '2024-09-30', 100234, 20, 'L', 1, 136.5, 0, 500),
    (6, '2024-09-30', 100241, 1, 'L', 1, 1, 0, -2450.3),
    (7, '2024-09-30', 100241, 23, 'L', 1, 206.45, 0, 120),
    (8, '2024-09-30', 100517, 1, 'L', 1, 1, 0, 48210),
    (9, '2024-09-30', 100517, 11, 'L', 1, 0.998, 0.0155, 20000),
    (10, '2024-09-30', 100517, 22, 'L', 1.1196, 227.79, 0, 60),
    (11, '2024-09-30', 100517, 22, 'L', 1.1196, 227.79, 0, 40),
    (12, '2024-09-30', 100517, 22, 'L', 1.087, 227.79, 0, 50),
    (13, '2024-09-30', 100788, 2, 'L', 1.1196, 1, 0, 5300),
    (14, '2024-09-30', 100788, 12, 'L', 1, 1.0312, 0.0021, 30000),
    (15, '2024-09-30', 100788, 21, 'L', 1, 23.6, 0, 800),
    (16, '2024-09-30', 101026, 1, 'L', 1, 1, 0, 9875.4),
    (17, '2024-09-30', 101349, 24, 'L', 1, 12.4, 0, 2500),
    (18, '2024-09-30', 101349, 20, 'L', 1, 136.5, 0, 300),
    (19, '2024-09-30', 101570, 1, 'L', 1, 1, 0, 15000),
    (20, '2024-09-30', 101570, 10, 'L', 1, 1.0125, 0.0089, 10000),
    -- 30.09.2024, other kinds of holdings of budget users
    (21, '2024-09-30', 101026, 20, 'Z', 1, 136.5, 0, 200),
    (22, '2024-09-30', 100234, 1, 'B', 1, 1, 0, 5000),
    -- 30.09.2024, the broker's own account and clients that are not budget users
    (23, '2024-09-30', 100001, 1, 'L', 1, 1, 0, 250000),
    (24, '2024-09-30', 100001, 20, 'L', 1, 136.5, 0, 5000),
    (25, '2024-09-30', 102113, 1, 'L', 1, 1, 0, 3200),
    (26, '2024-09-30', 102113, 20, 'L', 1, 136.5, 0, 40),
    (27, '2024-09-30', 102456, 22, 'L', 1.1196, 227.79, 0, 10),
    -- other dates
    (28, '2024-08-30', 100234, 1, 'L', 1, 1, 0, 150000),
    (29, '2024-08-30', 100234, 20, 'L', 1, 128.0, 0, 1500),
    (30, '2024-08-30', 100517, 22, 'L', 1.1043, 229.0, 0, 150),
    (31, '2024-08-30', 102698, 21, 'L', 1, 22.1, 0, 400),
    (32, '2024-10-31', 100234, 1, 'L', 1, 1, 0, 148900.1),
    (33, '2024-10-31', 100234, 20, 'L', 1, 138.4, 0, 1500),
    (34, '2024-10-31', 100788, 21, 'L', 1, 24.05, 0, 800),
    (35, '2024-10-31', 102113, 25, 'L', 1.0882, 406.35, 0, 12);

-- Settings. The report folder is set to the program's own folder by the build (demo
-- database) or by the loader (server); one category is stored in mixed case.
INSERT INTO SERPROG (ID_SERPROG, MODUL, KATEGORIJA, PARAMETER, USR, VREDNOST) VALUES
    (1, 'ZEV', 'SPLOŠNE', 'XML_PATH', NULL, '/var/tmp/zev/porocila/'),
    (2, 'ZEV', 'SPLOŠNE', 'PartnerId', NULL, '7004'),
    (3, 'ZEV', 'Splošne', 'TrgovalniRacun', NULL, '100001'),
    (4, 'ZEV', 'PODATKI', 'NAZIV', NULL, 'ZEV poročanje'),
    (5, 'QOR', 'SPLOŠNE', 'XML_PATH', NULL, '/var/tmp/qor/izvoz/'),
    (6, 'QOR', 'PODATKI', 'NAZIV', NULL, 'QOR zaledni sistem');

-- Right 230 opens the settings editor: ana holds it herself, bojan through the back
-- office group, cene not at all.
INSERT INTO RGT (USR, SFRGT) VALUES
    ('ana', '230'),
    ('ana', '100'),
    ('cene', '100');
INSERT INTO GRPRGT (IDGRP, SFRGT) VALUES
    (10, '230'),
    (10, '231'),
    (20, '120');
INSERT INTO GRPUSR (IDGRP, USR) VALUES
    (10, 'bojan'),
    (20, 'cene');

INSERT INTO PREVOD_JEZIKI (KODA_JEZIKA, OPIS) VALUES
    ('SLO', 'Slovenščina'),
    ('ENG', 'English');

-- Translations of the program's translatable dialogs into English. The program leaves
-- its program name empty, so the form records carry an empty PROGRAMNAME.
INSERT INTO PREVOD_FORME (ID_PREVODA, FORMNAME, PROGRAMNAME, DT_CHANGE) VALUES
    (1, 'nCalc', '', '2024-09-30 12:00:00'),
    (2, 'koledar', '', '2024-09-30 12:00:00'),
    (3, 'fKeyboard', '', '2024-09-30 12:00:00');
INSERT INTO PREVOD_ORG (ID_PREVODA, ID_PREVOD_ORG, NAME, ORGTEXT) VALUES
    (1, 1, 'sb0', '0'),
    (1, 2, 'sb1', '1'),
    (1, 3, 'sb2', '2'),
    (1, 4, 'sb3', '3'),
    (1, 5, 'sb4', '4'),
    (1, 6, 'sb5', '5'),
    (1, 7, 'sb6', '6'),
    (1, 8, 'sb7', '7'),
    (1, 9, 'sb8', '8'),
    (1, 10, 'sb9', '9'),
    (1, 11, 'sbDot', ','),
    (2, 12, 'Title', 'Koledar'),
    (2, 13, 'pnlMON', 'Pon'),
    (2, 14, 'pnlTUE', 'Tor'),
    (2, 15, 'pnlWED', 'Sre'),
    (2, 16, 'pnlTHU', 'Čet'),
    (2, 17, 'pnlFRI', 'Pet'),
    (2, 18, 'pnlSAT', 'Sob'),
    (2, 19, 'pnlSUN', 'Ned'),
    (3, 20, 'Title', 'fKeyboard');
INSERT INTO PREVOD_DATA (ID_PREVODA, ID_PREVOD_ORG, ID_PREVOD_DATA, NAME, TRANSLTEXT, TRANSLATED,
                         KODA_JEZIKA) VALUES
    (1, 1, 1, 'sb0', '0', 'Y', 'ENG'),
    (1, 2, 2, 'sb1', '1', 'Y', 'ENG'),
    (1, 3, 3, 'sb2', '2', 'Y', 'ENG'),
    (1, 4, 4, 'sb3', '3', 'Y', 'ENG'),
    (1, 5, 5, 'sb4', '4', 'Y', 'ENG'),
    (1, 6, 6, 'sb5', '5', 'Y', 'ENG'),
    (1, 7, 7, 'sb6', '6', 'Y', 'ENG'),
    (1, 8, 8, 'sb7', '7', 'Y', 'ENG'),
    (1, 9, 9, 'sb8', '8', 'Y', 'ENG'),
    (1, 10, 10, 'sb9', '9', 'Y', 'ENG'),
    (1, 11, 11, 'sbDot', ',', 'Y', 'ENG'),
    (2, 12, 12, 'Title', 'Calendar', 'Y', 'ENG'),
    (2, 13, 13, 'pnlMON', 'Mon', 'Y', 'ENG'),
    (2, 14, 14, 'pnlTUE', 'Tue', 'Y', 'ENG'),
    (2, 15, 15, 'pnlWED', 'Wed', 'Y', 'ENG'),
    (2, 16, 16, 'pnlTHU', 'Thu', 'Y', 'ENG'),
    (2, 17, 17, 'pnlFRI', 'Fri', 'Y', 'ENG'),
    (2, 18, 18, 'pnlSAT', 'Sat', 'Y', 'ENG'),
    (2, 19, 19, 'pnlSUN', 'Sun', 'Y', 'ENG'),
    (3, 20, 20, 'Title', 'Keyboard', 'Y', 'ENG');

-- The translation counters continue after the demo rows.
INSERT INTO S_KLJUCI (IDKLJUC, STEVEC, TIP, VIDEN, PREDPONA, PRIPONA) VALUES
    ('Prevod_forme', 4, '1', 0, NULL, NULL),
    ('Prevod_org', 21, '1', 0, NULL, NULL),
    ('Prevod_data', 21, '1', 0, NULL, NULL),
    ('Nalog', 1042, '1', 1, 'N-', '/24');

-- 600 clients for the lookup lists: every surname with every first name, in four
-- groups and six towns.
INSERT INTO KMT (SFKMT, NAZIV, SKUPINA, KRAJ)
SELECT (p.column1 - 1) * 20 + i.column1,
       p.column2 || ' ' || i.column2,
       ((p.column1 - 1) * 20 + i.column1 - 1) % 4 + 1,
       CASE ((p.column1 - 1) * 20 + i.column1) % 6
           WHEN 0 THEN 'Ljubljana' WHEN 1 THEN 'Maribor' WHEN 2 THEN 'Celje'
           WHEN 3 THEN 'Kranj' WHEN 4 THEN 'Koper' ELSE 'Novo mesto' END
  FROM (VALUES
        (1, 'NOVAK'), (2, 'HORVAT'), (3, 'KOVAČIČ'), (4, 'KRAJNC'), (5, 'ZUPANČIČ'),
        (6, 'POTOČNIK'), (7, 'KOVAČ'), (8, 'MLAKAR'), (9, 'KOS'), (10, 'VIDMAR'),
        (11, 'GOLOB'), (12, 'TURK'), (13, 'BOŽIČ'), (14, 'KOROŠEC'), (15, 'ZUPAN'),
        (16, 'BIZJAK'), (17, 'HRIBAR'), (18, 'KAVČIČ'), (19, 'RUPNIK'), (20, 'KOLAR'),
        (21, 'ŽAGAR'), (22, 'PETEK'), (23, 'OBLAK'), (24, 'ŠKERLJ'), (25, 'ŽNIDARŠIČ'),
        (26, 'KASTELIC'), (27, 'ČERNE'), (28, 'JERAJ'), (29, 'PIRC'), (30, 'MEŽNAR')) p
 CROSS JOIN (VALUES
        (1, 'JANEZ'), (2, 'MARIJA'), (3, 'FRANC'), (4, 'ANA'), (5, 'IVAN'),
        (6, 'MAJA'), (7, 'ANTON'), (8, 'IRENA'), (9, 'MARKO'), (10, 'MOJCA'),
        (11, 'JOŽE'), (12, 'NATAŠA'), (13, 'ANDREJ'), (14, 'PETRA'), (15, 'TOMAŽ'),
        (16, 'ŠPELA'), (17, 'MATEJ'), (18, 'NINA'), (19, 'LUKA'), (20, 'EVA')) i;

-- English texts of the gallery's translatable sample dialog. Their keys lie far above the
-- counters, so that keys the engine draws later never meet them.
INSERT INTO PREVOD_FORME (ID_PREVODA, FORMNAME, PROGRAMNAME, DT_CHANGE) VALUES
    (9000, 'fGallerySample', '', '2024-09-30 12:00:00');
INSERT INTO PREVOD_ORG (ID_PREVODA, ID_PREVOD_ORG, NAME, ORGTEXT) VALUES
    (9000, 9001, 'Title', 'Vzorčni dialog'),
    (9000, 9002, 'lOpis', 'Prevedljiv vzorčni dialog'),
    (9000, 9003, 'pnlInfo', 'Podatki o izbiri'),
    (9000, 9004, 'rgVrsta', 'Vrsta'),
    (9000, 9005, 'rgVrsta_0', 'Delnice'),
    (9000, 9006, 'rgVrsta_1', 'Obveznice'),
    (9000, 9007, 'rgVrsta_2', 'Denarna sredstva'),
    (9000, 9008, 'chAktivni', 'Samo aktivni'),
    (9000, 9009, 'sbIsci', 'Išči'),
    (9000, 9010, 'sbIsci_Hint', 'Išči po seznamu'),
    (9000, 9011, 'bPotrdi', 'Potrdi'),
    (9000, 9012, 'bPotrdi_Hint', 'Shrani izbiro in zapri'),
    (9000, 9013, 'bbZapri', 'Zapri'),
    (9000, 9014, 'bbZapri_Hint', 'Zapri brez shranjevanja');
INSERT INTO PREVOD_DATA (ID_PREVODA, ID_PREVOD_ORG, ID_PREVOD_DATA, NAME, TRANSLTEXT, TRANSLATED,
                         KODA_JEZIKA) VALUES
    (9000, 9001, 9001, 'Title', 'Sample dialog', 'Y', 'ENG'),
    (9000, 9002, 9002, 'lOpis', 'A translatable sample dialog', 'Y', 'ENG'),
    (9000, 9003, 9003, 'pnlInfo', 'Details of the choice', 'Y', 'ENG'),
    (9000, 9004, 9004, 'rgVrsta', 'Kind', 'Y', 'ENG'),
    (9000, 9005, 9005, 'rgVrsta_0', 'Shares', 'Y', 'ENG'),
    (9000, 9006, 9006, 'rgVrsta_1', 'Bonds', 'Y', 'ENG'),
    (9000, 9007, 9007, 'rgVrsta_2', 'Cash', 'Y', 'ENG'),
    (9000, 9008, 9008, 'chAktivni', 'Active only', 'Y', 'ENG'),
    (9000, 9009, 9009, 'sbIsci', 'Search', 'Y', 'ENG'),
    (9000, 9010, 9010, 'sbIsci_Hint', 'Search the list', 'Y', 'ENG'),
    (9000, 9011, 9011, 'bPotrdi', 'Confirm', 'Y', 'ENG'),
    (9000, 9012, 9012, 'bPotrdi_Hint', 'Save the choice and close', 'Y', 'ENG'),
    (9000, 9013, 9013, 'bbZapri', 'Close', 'Y', 'ENG'),
    (9000, 9014, 9014, 'bbZapri_Hint', 'Close without saving', 'Y', 'ENG');
