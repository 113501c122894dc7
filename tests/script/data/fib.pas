program Fibonacci;

function Fib(n: integer): integer;
begin
  if n < 2 then
    Result := n
  else
    Result := Fib(n - 1) + Fib(n - 2);
end;

var
  i: integer;
begin
  for i := 0 to 10 do
    writeLn(IntToStr(i) + ': ' + IntToStr(Fib(i)));
end.
(* output
0: 0
1: 1
2: 1
3: 2
4: 3
5: 5
6: 8
7: 13
8: 21
9: 34
10: 55
*)
