var
  s: string;
begin
  s := 'abc';
  s[4] := 'd';
end.
(* error
Range check error: index 4 is outside 1..3
*)
