// Writing past the end of a dynamic array names the index and the bounds.
var
  a: array of integer;
  i: integer;
begin
  SetLength(a, 3);
  for i := 0 to 3 do a[i] := i;
end.
(* error
Range check error: index 3 is outside 0..2
*)
