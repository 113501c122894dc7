var
  a, b: integer;
begin
  a := 1;
  writeLn('before');
  a := a div b;
  writeLn('after');
end.
(* output
before
*)
(* error
Division by zero
*)
