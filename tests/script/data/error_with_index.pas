// A 'with' on an array element checks its index when it begins, before its body runs.
type
  TPoint = record
    X: integer;
  end;
var
  a: array[0..3] of TPoint;
  i: integer;
begin
  i := 4;
  with a[i] do
  begin
    writeLn('not reached');
    X := 1;
  end;
end.
(* error
Range check error: index 4 is outside 0..3
*)
