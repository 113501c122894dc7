// An assertion nobody catches ends the run with its message and line.
var
  period: integer;
begin
  period := 0;
  Assert(period > 0, 'period must be positive');
end.
(* error
Exception: period must be positive (line 6)
*)
