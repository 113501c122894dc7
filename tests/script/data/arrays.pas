// Static arrays: bounds, several dimensions, value semantics, arrays of strings.
type
  TRow = array[1..3] of integer;
var
  a: array[0..4] of integer;
  grid: array[1..3, 1..3] of integer;
  names: array[1..3] of string;
  r1, r2: TRow;
  volts: array[0..7] of double;
  i, j, sum: integer;
  s: string;

function RowSum(const r: TRow): integer;
var
  k: integer;
begin
  Result := 0;
  for k := Low(r) to High(r) do Result := Result + r[k];
end;

procedure Fill(var r: TRow; v: integer);
var
  k: integer;
begin
  for k := 1 to 3 do r[k] := v * k;
end;

begin
  for i := 0 to 4 do a[i] := i * i;
  s := '';
  for i := Low(a) to High(a) do s := s + IntToStr(a[i]) + ' ';
  writeLn(s + IntToStr(Length(a)));
  for i := 1 to 3 do
    for j := 1 to 3 do
      grid[i, j] := i * 10 + j;
  writeLn(IntToStr(grid[2, 3]) + ' ' + IntToStr(grid[3][1]));
  names[1] := 'x';
  names[2] := names[1] + 'y';
  writeLn(names[1] + names[2] + names[3] + '.');
  Fill(r1, 2);
  r2 := r1;
  r2[1] := 100;
  writeLn(IntToStr(r1[1]) + ' ' + IntToStr(r2[1]) + ' ' + IntToStr(RowSum(r1)) + ' ' + IntToStr(RowSum(r2)));
  volts[7] := 1.5;
  volts[0] := volts[7] * 2;
  writeLn(FloatToStr(volts[0] + volts[1]));
  Inc(a[2], 5);
  writeLn(IntToStr(a[2]));
  sum := 0;
  for i := 0 to 4 do sum := sum + a[i];
  writeLn(IntToStr(sum));
end.
(* output
0 1 4 9 16 5
23 31
xxy.
2 100 12 110
3
9
35
*)
