-- The broker (person 2), two budget users' accounts and one of another client on
-- 30.09.2024: cash only with a negative amount; cash, a bond and a share. On
-- 31.10.2024 a share whose ISIN the schema refuses.
INSERT INTO OSB (SFOSB, DVS, IME, NZV, NSL, MST, PRORAC_UPOR) VALUES
  (2, '12345678', '', 'Borzna hiša d.d.', 'Trg 1', 'Ljubljana', NULL),
  (10, '11111111', 'Ana', 'Novak', 'Cesta 2', 'Maribor', 'D'),
  (11, '22222222', NULL, 'Občina Kovač & Co', '', '', 'D'),
  (12, '33333333', 'Eva', 'Zupan', 'Pot 3', 'Koper', NULL);
INSERT INTO POG (IDPOG, SFOSB) VALUES (1001, 10), (1002, 11), (1003, 12);
INSERT INTO FIN (SFFIN, NAZIV) VALUES ('G', 'Denar'), ('O', 'Obveznice'), ('D', 'Delnice');
INSERT INTO VLT (SFVLT, KRT) VALUES (978, 'EUR');
INSERT INTO TRG (SFTRG, MIC) VALUES (1, 'XLJU'), (2, 'XWBO');
INSERT INTO SFVP (SFVP, ISIN, KRT, SFFIN, SFGLVENT, SFVLTNMN) VALUES
  (1, NULL, 'EUR', 'G', NULL, 978), (2, 'SI0002103487', 'RS86', 'O', '%', 978),
  (3, 'SI0031102120', 'KRKG', 'D', 'KOS', 978), (4, 'si003', 'SLAB', 'D', 'KOS', 978);
INSERT INTO VPKRO (SFVPKRO, SFVP, DAN, SFTRGVRD) VALUES (1, 3, '2024-01-02', 1);
INSERT INTO KTC (SFKTC, SFVP, DAN, DANPRK, KTCLEZTT, SFTRG) VALUES (1, 2, '2024-01-02', NULL, 'D', 2);
INSERT INTO VPHST (SFVPHST, DAN, IDPOG, SFVP, SFSVP, TCJVLT, GLVVLT, OBRVLT, LOT) VALUES
  (1, '2024-09-30', 1001, 1, 'L', 1, 1, 0, -2.5), (2, '2024-09-30', 1002, 1, 'L', 1, 1, 0, 1234.5),
  (3, '2024-09-30', 1002, 2, 'L', 1, 0.823, 0, 1500), (4, '2024-09-30', 1002, 3, 'L', 1, 10, 0, 1234.5),
  (5, '2024-09-30', 1003, 3, 'L', 1, 10, 0, 5), (6, '2024-10-31', 1001, 4, 'L', 1, 10, 0, 1);
