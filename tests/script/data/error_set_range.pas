// A set holds the ordinals 0..255 only.
var
  s: set of byte;
  i: integer;
begin
  i := 300;
  s := [1, i];
end.
(* error
Range check error: 300 is outside the set range 0..255
*)
