// A product too large for a double.
var
  x: double;
  i: integer;
begin
  x := 10;
  for i := 1 to 400 do x := x * 10;
end.
(* error
Floating point overflow
*)
