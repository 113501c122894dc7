type
  TGrid = array[1..3, 0..2] of double;
  TInts = array of integer;
  TMatrix = array of array of integer;
const
  Ranges: array[0..3] of integer = (5000, 1600, 500, 160);
var
  g: TGrid;
  a, b: TInts;
  m: TMatrix;
  i, j: integer;
function Sum(const xs: array of integer): integer;
var i: integer;
begin
  Result := 0;
  for i := Low(xs) to High(xs) do Result := Result + xs[i];
end;
procedure Grow(var xs: TInts; n: integer);
begin
  SetLength(xs, Length(xs) + n);
end;
begin
  for i := 1 to 3 do for j := 0 to 2 do g[i, j] := i / (j + 1);
  g[2][1] := g[1, 2] * 2;
  SetLength(a, 4);
  for i := 0 to High(a) do a[i] := Ranges[i] div 10;
  b := a;
  b[0] := -1;
  a := Copy(b, 1, 2);
  Grow(a, 3);
  SetLength(m, 2);
  SetLength(m[1], 3);
  m[1][2] := Sum(Ranges) + Sum([1, 2, 3]) + Sum(a) + Total(b, 3);
  writeLn(Join(['sum ', m[1][2], ' ', Length(a), ' ', g[2, 1], ' ', b[0]]));
  writeLn(IntToStr(a[Length(a)]));
end.
