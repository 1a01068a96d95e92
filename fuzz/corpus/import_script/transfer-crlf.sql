Insert into prevod_forme (ID_PREVODA,FORMNAME,PROGRAMNAME,DT_CHANGE) values (1,'TfZEV','ZEV','2024-09-30 12:00:00');


Insert into prevod_org (ID_PREVODA,ID_PREVOD_ORG,NAME,ORGTEXT) values (1,11,'bbNabor','Nabor');
Insert into prevod_org (ID_PREVODA,ID_PREVOD_ORG,NAME,ORGTEXT) values (1,12,'bbGenXML','Generiranje XML poročila');
Insert into prevod_org (ID_PREVODA,ID_PREVOD_ORG,NAME,ORGTEXT) values (1,13,'lDatum','Datum; ura -- čas');


Insert into prevod_data (ID_PREVODA,ID_PREVOD_ORG,ID_PREVOD_DATA,NAME,TRANSLTEXT,TRANSLATED,KODA_JEZIKA) values (1,12,21,'bbGenXML','Generate XML report','Y','ENG');
Insert into prevod_data (ID_PREVODA,ID_PREVOD_ORG,ID_PREVOD_DATA,NAME,TRANSLTEXT,TRANSLATED,KODA_JEZIKA) values (1,13,22,'lDatum','Don''t "stop"; -- here','Y','ENG');
Insert into prevod_data (ID_PREVODA,ID_PREVOD_ORG,ID_PREVOD_DATA,NAME,TRANSLTEXT,TRANSLATED,KODA_JEZIKA) values (1,11,23,'bbNabor','Izbor' || CHR(13) || CHR(10) || 'podatkov;','N','SLO');
Insert into prevod_data (ID_PREVODA,ID_PREVOD_ORG,ID_PREVOD_DATA,NAME,TRANSLTEXT,TRANSLATED,KODA_JEZIKA) values (1,11,24,'bbNabor',NULL,'N','DEU');


