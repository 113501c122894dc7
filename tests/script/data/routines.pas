program Routines;
// Value, var and const parameters, locals, Result, the function name as result, Exit,
// recursion, forward declarations and default parameters.
var
  counter: integer;
  total: integer;

procedure Swap(var a, b: integer);
var
  t: integer;
begin
  t := a;
  a := b;
  b := t;
end;

procedure Bump(n: integer);
begin
  n := n + 100;
  counter := counter + n;
end;

function Describe(const name: string; value: double): string;
begin
  Result := name + '=' + FloatToStr(value);
end;

function Square(x: integer): integer;
begin
  Square := x * x;
end;

function FirstNegative(a, b, c: integer): integer;
begin
  Result := 0;
  if a < 0 then Exit(a);
  if b < 0 then
  begin
    Result := b;
    Exit;
  end;
  if c < 0 then Result := c;
end;

function IsEven(n: integer): boolean; forward;

function IsOdd(n: integer): boolean;
begin
  if n = 0 then Result := False else Result := IsEven(n - 1);
end;

function IsEven(n: integer): boolean;
begin
  if n = 0 then Result := True else Result := IsOdd(n - 1);
end;

function Power2(n: integer; start: integer = 1): integer;
begin
  Result := start;
  while n > 0 do
  begin
    Result := Result * 2;
    Dec(n);
  end;
end;

procedure AddTo(var s: string; const piece: string);
begin
  s := s + piece;
end;

function Factorial(n: int64): int64;
begin
  if n <= 1 then Result := 1 else Result := n * Factorial(n - 1);
end;

var
  x, y: integer;
  text: string;
begin
  x := 1;
  y := 2;
  Swap(x, y);
  writeLn(IntToStr(x) + IntToStr(y));
  counter := 5;
  total := 1;
  Bump(total);
  writeLn(IntToStr(counter) + ' ' + IntToStr(total));
  writeLn(Describe('u', 2.5));
  writeLn(IntToStr(Square(12)));
  writeLn(IntToStr(FirstNegative(1, -2, -3)) + IntToStr(FirstNegative(-1, 2, 3)) + IntToStr(FirstNegative(1, 2, -3)));
  if IsEven(10) and IsOdd(7) and not IsOdd(4) then writeLn('mutual recursion');
  writeLn(IntToStr(Power2(5)) + ' ' + IntToStr(Power2(3, 10)));
  text := 'a';
  AddTo(text, 'b');
  AddTo(text, text);
  writeLn(text);
  writeLn(IntToStr(Factorial(20)));
end.
(* output
21
106 1
u=2.5
144
-2-1-3
mutual recursion
32 80
abab
2432902008176640000
*)
