// A var parameter on an element of a dynamic array that the callee shortens: the next
// use of the parameter is a range error, not a write to freed storage.
var
  samples: array of integer;

procedure DropAllButOne(var last: integer);
begin
  SetLength(samples, 1);
  last := 42;
end;

begin
  SetLength(samples, 3);
  DropAllButOne(samples[2]);
end.
(* error
Range check error: index 2 is outside 0..0
*)
