// Reading an element of an array that has no elements yet.
var
  a: array of string;
begin
  writeLn(a[0]);
end.
(* error
Range check error: index 0 of an empty array
*)
