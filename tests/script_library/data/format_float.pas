// FormatFloat patterns: digit places, thousands, sections, exponents, literals; halves
// round away from zero.
begin
  writeLn(FormatFloat('0.00', 3.14159) + '|' + FormatFloat('#,##0.00', 1234567.891) + '|' + FormatFloat('0.###', 2.5) + '|' + FormatFloat('000', 7));
  writeLn(FormatFloat('0.00E+00', 12345) + '|' + FormatFloat('0.0E-0', 0.00012) + '|' + FormatFloat('0.0E-0', 1200));
  writeLn(FormatFloat('0;(0);zero', -5) + '|' + FormatFloat('0;(0);zero', 0) + '|' + FormatFloat('0;(0);zero', 5) + '|' + FormatFloat('"U="0.0" V"', 2));
  writeLn(FormatFloat('0', 2.5) + FormatFloat('0', 3.5) + FormatFloat('0', -2.5) + '|' + FormatFloat('0.0', 0.25) + '|' + FormatFloat('#', 0) + '|' + FormatFloat('', 1.5));
  writeLn(FormatFloat('0.00', -0.001) + '|' + FormatFloat('#,##0', -1234) + '|' + FormatFloat('0.00', 1e20));
end.
(* output
3.14|1,234,567.89|2.5|007
1.23E+04|1.2E-4|1.2E3
(5)|zero|5|U=2.0 V
34-3|0.3||1.5
0.00|-1,234|100000000000000000000.00
*)
