// The one integer quotient that does not fit.
var
  a, b: integer;
begin
  a := -2147483647 - 1;
  b := -1;
  writeLn(IntToStr(a div b));
end.
(* error
Integer overflow
*)
