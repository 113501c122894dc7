var
  x: double;
begin
  x := 1.5 / (x * 2);
end.
(* error
Division by zero
*)
