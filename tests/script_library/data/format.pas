// Format: the conversions with width, precision, '-', '*' and an argument index; chars
// and strings for %s; halves round away from zero; width never pads with zeros (that is
// the precision's job).
var
  c: Char;
begin
  c := 'z';
  writeLn(Format('%d|%5d|%-5d|%.3d|%x|%s|%8s|%-4s|%.2s|%%', [42, 42, 42, 7, 255, 'str', 'right', 'l', 'abc']));
  writeLn(Format('%f|%.3f|%8.2f|%-8.1f|%g|%e', [3.14159, 2.0, -1.5, 0.26, 0.5, 1234.5]));
  writeLn(Format('%05d|%s|%.5d|%s', [-42, 'x', -42, c]));
  writeLn(Format('%*d|%-*d|%.*f|%7:s %6:s', [5, 42, 4, 7, 3, 1.23456, 'a', 'b']));
  writeLn(Format('%1:s-%0:s-%s', ['zero', 'one']));
  writeLn(Format('%n|%.1n|%m|%.2f|%.2f|%.0f', [1234567.891, -1234.56, 12.5, 0.125, 2.675, 0.5]));
  writeLn(Format('%x|%u|%.4x|%d', [-1, -1, 26, High(Int64)]));
  writeLn(Format('%.3e|%g|%g|%g', [1234.5, 1.5e-5, 0.0001, 1e20]));
  writeLn(Format('Канал %d: %s', [3, 'Ur']));
end.
(* output
42|   42|42   |007|FF|str|   right|l   |ab|%
3.14|2.000|   -1.50|0.3     |0.5|1.23450000000000E+003
  -42|x|-00042|z
   42|7   |1.235|b a
one-zero-one
1,234,567.89|-1,234.6|$12.50|0.13|2.68|1
FFFFFFFF|4294967295|001A|9223372036854775807
1.23E+003|1.5E-5|0.0001|1E20
Канал 3: Ur
*)
