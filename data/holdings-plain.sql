-- The holdings statement of the report in plain SQL, for tools without the
-- functions of the program: NVL written as COALESCE, qor_gettcn as its price subquery,
-- and the concatenation with null operands as empty text written out with IFNULL.
-- The date parameter dan stands five times and is bound once. The demo data test
-- checks the demo database with it; the benchmarks run it in the sqlite3 shell.
SELECT * FROM (
SELECT vphst.dan, pog.idpog AS accountNo, osb.dvs AS OwnerTaxId, (IFNULL(osb.ime, '') || ' ' || IFNULL(osb.nzv, '')) AS OwnerName, osb.nsl AS OwnerAddress, osb.mst AS OwnerCity,  
(CASE WHEN sfvp.sffin='G' THEN 'Cash' 
ELSE 
CASE WHEN sfvp.sfglvent='%' THEN 'Debt' ELSE 'Equity'  END
END) AS Category,
sfvp.isin AS Isin,
vlt.krt AS Currency,
sfvp.krt,
COALESCE((SELECT tecajnica.tcn FROM tecajnica WHERE tecajnica.sfvp = sfvp.sfvp AND tecajnica.dan <= :dan ORDER BY tecajnica.dan DESC LIMIT 1),0) AS Price,
round(sum((vphst.glvvlt + vphst.obrvlt)*vphst.lot),2) AS Amount_Value,
sum(vphst.lot) as Quantity,
(SELECT mic from trg WHERE sftrg = (select sftrgvrd from vpkro where sfvp=sfvp.sfvp and sfvpkro = (select max(sfvpkro) from vpkro where dan <= :dan and sfvp=sfvp.sfvp))) as mic,
(SELECT mic from trg WHERE sftrg = (select sftrg from ktc where ktc.dan <= :dan AND (ktc.DanPrk IS NULL OR ktc.DanPrk > :dan) AND ktc.KtcLezTT = 'D' and ktc.sfvp=sfvp.sfvp)) as mic_KRSB_tuj
FROM vphst
LEFT OUTER JOIN pog ON vphst.idpog=pog.idpog
LEFT OUTER JOIN osb ON pog.sfosb=osb.sfosb
LEFT OUTER JOIN sfvp ON vphst.sfvp=sfvp.sfvp
LEFT OUTER JOIN fin ON sfvp.sffin=fin.sffin
LEFT OUTER JOIN vlt ON sfvp.sfvltnmn=vlt.sfvlt
WHERE vphst.sfsvp='L' 
AND vphst.dan=:dan
AND COALESCE(osb.prorac_upor,'N') = 'D'
GROUP BY vphst.dan, pog.idpog, osb.dvs, osb.ime, osb.nzv, osb.nsl, osb.mst, sfvp.sfvp, sfvp.isin, sfvp.krt, sfvp.sffin, sfvp.sfglvent, vphst.tcjvlt, vlt.krt
) DATA
ORDER BY accountno, category;
