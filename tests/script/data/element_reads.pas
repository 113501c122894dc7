// Fields and elements read and written from every kind of place: globals, locals, var and
// const parameters, function results, nested records and arrays, dynamic arrays.
type
  TPair = record
    A, B: integer;
    Scale: double;
  end;
  TRow = record
    Cells: array[-1..1] of TPair;
  end;
  TPairs = array of TPair;
var
  g: TRow;
  list: TPairs;
  k: integer;

function Made(a, b: integer): TPair;
begin
  Result.A := a;
  Result.B := b;
  Result.Scale := a / b;
end;

function Pairs(n: integer): TPairs;
var
  i: integer;
begin
  SetLength(Result, n);
  for i := 0 to n - 1 do Result[i] := Made(i, i + 1);
end;

procedure Swap(var r: TRow; i: integer);
var
  t: integer;
begin
  t := r.Cells[i].A;
  r.Cells[i].A := r.Cells[i].B;
  r.Cells[i].B := t;
end;

function Sum(const r: TRow): integer;
var
  i: integer;
begin
  Result := 0;
  for i := Low(r.Cells) to High(r.Cells) do Result := Result + r.Cells[i].A * 10 + r.Cells[i].B;
end;

procedure Locals;
var
  r: TRow;
  copyOfRow: TRow;
begin
  r.Cells[-1] := Made(1, 2);
  r.Cells[1].B := 9;
  copyOfRow := r;
  copyOfRow.Cells[-1].A := 7;
  writeLn(IntToStr(Sum(r)) + ' ' + IntToStr(Sum(copyOfRow)));
end;

begin
  g.Cells[0] := Made(3, 4);
  Swap(g, 0);
  writeLn(IntToStr(g.Cells[0].A) + IntToStr(g.Cells[0].B) + ' ' + FloatToStr(g.Cells[0].Scale));
  writeLn(IntToStr(Made(5, 6).B) + ' ' + FloatToStr(Made(1, 4).Scale) + ' ' + IntToStr(Pairs(3)[2].B));
  Locals;
  list := Pairs(2);
  list[1].A := list[1].A + 40;
  writeLn(IntToStr(list[1].A) + ' ' + IntToStr(Length(list)));
  k := -2;
  writeLn(IntToStr(g.Cells[k].A));
end.

(* output
43 0.75
6 0.25 3
21 81
41 2
*)

(* error
Range check error: index -2 is outside -1..1
*)
