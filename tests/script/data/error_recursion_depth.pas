procedure Down(n: integer);
begin
  Down(n + 1);
end;

begin
  Down(0);
end.
(* error
Stack overflow: more than 1000 nested calls
*)
