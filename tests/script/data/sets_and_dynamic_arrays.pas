// Sets, dynamic arrays with reference semantics, open arrays, array literals.
type
  TFlag = (fA, fB, fC, fD);
  TFlags = set of TFlag;
  TInts = array of integer;
var
  f, g: TFlags;
  cs: set of char;
  a, b: TInts;
  grid: array of array of integer;
  st: array[1..3] of integer;
  i: integer;
  s: string;

function Sum(const xs: array of integer): integer;
var
  k: integer;
begin
  Result := 0;
  for k := Low(xs) to High(xs) do Result := Result + xs[k];
end;

function FlagText(x: TFlags): string;
var
  q: TFlag;
begin
  Result := '[';
  for q := fA to fD do
    if q in x then Result := Result + IntToStr(Ord(q));
  Result := Result + ']';
end;

procedure Grow(var xs: TInts);
begin
  SetLength(xs, Length(xs) + 1);
  xs[High(xs)] := 99;
end;

begin
  f := [fA, fC];
  g := [fB..fD];
  writeLn(FlagText(f) + FlagText(g) + FlagText(f + g) + FlagText(f - g) + FlagText(f * g) + FlagText([]));
  Include(f, fD);
  Exclude(f, fA);
  writeLn(FlagText(f));
  if (f <= [fC, fD]) and ([fC] <= f) and (f >= [fD]) and not (f = g) and (f <> g) then writeLn('relations ok');
  cs := ['a'..'c', 'x'];
  if ('b' in cs) and not ('d' in cs) then writeLn('char set ok');
  SetLength(a, 3);
  for i := 0 to High(a) do a[i] := (i + 1) * 10;
  b := a;
  b[0] := 7;
  writeLn(IntToStr(a[0]) + ' ' + IntToStr(Length(b)));
  SetLength(b, 5);
  b[1] := 8;
  writeLn(IntToStr(a[1]) + ' ' + IntToStr(b[1]) + ' ' + IntToStr(b[4]) + ' ' + IntToStr(Length(b)));
  b := Copy(a, 1, 2);
  writeLn(IntToStr(Length(b)) + ' ' + IntToStr(b[0]) + ' ' + IntToStr(b[1]));
  Grow(a);
  writeLn(IntToStr(Length(a)) + ' ' + IntToStr(a[3]));
  st[1] := 1; st[2] := 2; st[3] := 3;
  writeLn(IntToStr(Sum(st)) + ' ' + IntToStr(Sum(a)) + ' ' + IntToStr(Sum([4, 5, 6])));
  SetLength(grid, 2);
  for i := 0 to 1 do SetLength(grid[i], 3);
  grid[1][2] := 5;
  grid[0, 1] := 4;
  writeLn(IntToStr(grid[1][2] + grid[0][1]) + ' ' + IntToStr(High(grid[1])));
  a := [1, 2];
  writeLn(IntToStr(Length(a)));
  SetLength(s, 2);
  s[1] := 'o';
  s[2] := 'k';
  writeLn(s);
end.

(* output
[02][123][0123][0][2][]
[23]
relations ok
char set ok
7 3
20 8 0 5
2 20 30
4 99
6 156 15
9 2
2
ok
*)
