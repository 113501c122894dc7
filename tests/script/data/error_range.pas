var
  a: array[1..10] of integer;
  i: integer;
begin
  for i := 1 to 11 do a[i] := i;
end.
(* error
Range check error: index 11 is outside 1..10
*)
