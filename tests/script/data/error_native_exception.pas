var
  n: integer;
begin
  n := StrToInt('12') + StrToInt('x1');
end.
(* error
Exception: 'x1' is not a valid integer value
*)
