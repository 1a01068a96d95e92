Insert into prevod_org (ID_PREVODA,ID_PREVOD_ORG,NAME,ORGTEXT) values (2,31,'lOpomba','Prva vrstica;
-- druga vrstica

  tretja vrstica');
Insert into prevod_data (ID_PREVODA,ID_PREVOD_ORG,ID_PREVOD_DATA,NAME,TRANSLTEXT,TRANSLATED,KODA_JEZIKA) values (2,31,41,'lOpomba','First line;
-- second line','Y','ENG');
/* a comment
   over two lines; */ DELETE FROM PREVOD_DATA WHERE NAME = 'x';
