// Calling a procedural variable that holds no routine names it.
type
  TCurve = function(x: double): double;
var
  curve: TCurve;
  y: double;
begin
  y := 1;
  y := curve(y);
end.
(* error
Call through nil: the procedural value 'curve' holds no routine
*)
