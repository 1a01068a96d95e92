-- Prevodi, stara namestitev
Insert into prevod_data (ID_PREVODA,ID_PREVOD_ORG,ID_PREVOD_DATA,NAME,TRANSLTEXT,TRANSLATED,KODA_JEZIKA) values (1,12,25,'bbGenXML','Generiranje XML poroèila; šifra Žiga','Y','SLO');
