// FloatToStrF in its formats, with precision and digits.
begin
  writeLn(FloatToStrF(1234.5, ffExponent, 4, 2) + '|' + FloatToStrF(1.23456, ffFixed, 3, 4) + '|' + FloatToStrF(1234567.5, ffNumber, 15, 2) + '|' + FloatToStrF(-0.5, ffCurrency, 15, 2));
  writeLn(FloatToStrF(0.00001234, ffGeneral, 4, 0) + '|' + FloatToStrF(0.0001234, ffGeneral, 4, 0) + '|' + FloatToStrF(123456, ffGeneral, 4, 2) + '|' + FloatToStrF(123.456, ffGeneral, 15, 0));
  writeLn(FloatToStrF(1e20, ffFixed, 15, 2) + '|' + FloatToStrF(2.5, ffFixed, 15, 0) + '|' + FloatToStrF(-1234.5, ffNumber, 15, 0) + '|' + FloatToStrF(0, ffExponent, 3, 0));
end.
(* output
1.235E+03|1.2300|1,234,567.50|-$0.50
1.234E-5|0.0001234|1.235E05|123.456
1.00000000000000E+20|3|-1,235|0.00E+0
*)
