program VarParametersOnElements;
// var and out parameters taking array elements (static, dynamic, several indexes), record
// fields, nested fields and elements of fields, in script routines and built-ins alike. The
// callee writes through to the original; an index is evaluated once, at the call; a copy of
// the record or array taken inside the callee keeps its own values.
type
  TPoint = record
    X, Y: integer;
  end;
  TTrace = record
    Name: string;
    Last: TPoint;
    Marks: array[1..3] of integer;
    Points: array of TPoint;
  end;

var
  table: array[1..6] of integer;
  samples: array of integer;
  grid: array[1..2, 1..3] of integer;
  p, copyOfP: TPoint;
  pts: array of TPoint;
  trace: TTrace;
  traces: array[0..1] of TTrace;
  names: array of string;
  calls, i, j: integer;

procedure Swap(var a, b: integer);
var
  t: integer;
begin
  t := a;
  a := b;
  b := t;
end;

procedure Shift(var pt: TPoint; dx: integer);
begin
  pt.X := pt.X + dx;
  Inc(pt.Y, 2 * dx);
end;

procedure Twice(var n: integer);
begin
  n := n * 2;
end;

// A var parameter handed on: the inner callee writes the caller's element too.
procedure TwiceTwice(var n: integer);
begin
  Twice(n);
  Twice(n);
end;

procedure Reset(out pt: TPoint);
begin
  pt.X := 0;
  pt.Y := -1;
end;

procedure Rename(out s: string; const prefix: string);
begin
  s := prefix + '!';
end;

// Fields and elements of a record passed whole by reference, handed on again.
procedure Touch(var t: TTrace);
begin
  Twice(t.Marks[2]);
  Shift(t.Points[1], 5);
  Twice(t.Points[1].X);
  Rename(t.Name, 'Ch');
end;

// p.X is written through the reference after p was copied: the copy keeps the old value.
procedure CopyThenWrite(var n: integer);
begin
  copyOfP := p;
  n := 99;
end;

function NextIndex: integer;
begin
  Inc(calls);
  Result := calls;
end;

function Row(const a: array of integer): string;
var
  k: integer;
begin
  Result := '';
  for k := 0 to High(a) do
    Result := Result + IntToStr(a[k]) + ' ';
end;

begin
  // A bubble sort of a static array through Swap on its elements.
  for i := 1 to 6 do table[i] := (i * 7) mod 6 + i;
  writeLn(Row(table));
  for i := 1 to 5 do
    for j := 1 to 6 - i do
      if table[j] > table[j + 1] then Swap(table[j], table[j + 1]);
  writeLn(Row(table));

  // Dynamic arrays, two indexes written both ways, and the built-ins Inc and Dec.
  SetLength(samples, 3);
  samples[0] := 10;
  samples[2] := 30;
  Swap(samples[0], samples[2]);
  Inc(samples[1], 5);
  Dec(samples[2]);
  writeLn(Row(samples));
  grid[1, 2] := 4;
  grid[2][3] := 8;
  Swap(grid[1][2], grid[2, 3]);
  TwiceTwice(grid[2][3]);
  writeLn(IntToStr(grid[1, 2]) + ' ' + IntToStr(grid[2, 3]));

  // Record fields, elements of a dynamic array of records, nested fields.
  p.X := 3;
  p.Y := 4;
  Swap(p.X, p.Y);
  writeLn(IntToStr(p.X) + ',' + IntToStr(p.Y));
  SetLength(pts, 2);
  pts[1].X := 1;
  Shift(pts[1], 10);
  Dec(pts[1].X, 3);
  writeLn(IntToStr(pts[1].X) + ',' + IntToStr(pts[1].Y) + ' ' + IntToStr(pts[0].X));
  trace.Name := 'Ur';
  trace.Marks[2] := 7;
  SetLength(trace.Points, 2);
  trace.Points[1].X := 1;
  Touch(trace);
  Inc(trace.Last.Y, 12);
  Reset(trace.Points[0]);
  writeLn(trace.Name + ' ' + IntToStr(trace.Marks[2]) + ' ' + IntToStr(trace.Points[1].X) + ',' +
    IntToStr(trace.Points[1].Y) + ' ' + IntToStr(trace.Last.Y) + ' ' + IntToStr(trace.Points[0].Y));

  // Elements of fields of elements; the static array of records is copied, so the second
  // element is independent of trace except for the Points array both share.
  traces[1] := trace;
  Twice(traces[1].Marks[2]);
  Twice(traces[1].Points[1].Y);
  writeLn(IntToStr(traces[1].Marks[2]) + ' ' + IntToStr(trace.Marks[2]) + ' ' + IntToStr(trace.Points[1].Y));

  // Built-in natives with var parameters, on elements and fields.
  SetLength(names, 2);
  names[1] := 'channel';
  Delete(names[1], 1, 4);
  Insert('#', trace.Name, 1);
  writeLn(names[1] + ' ' + trace.Name);

  // Each index is evaluated once, at the call.
  calls := 0;
  SetLength(samples, 4);
  for i := 0 to 3 do samples[i] := i;
  Twice(samples[NextIndex]);
  Swap(samples[NextIndex], samples[NextIndex]);
  writeLn(Row(samples) + IntToStr(calls));

  // A copy taken by the callee is not written through the reference.
  p.X := 1;
  copyOfP.X := 0;
  CopyThenWrite(p.X);
  writeLn(IntToStr(p.X) + ' ' + IntToStr(copyOfP.X));
end.
(* output
2 4 6 8 10 6 
2 4 6 6 8 10 
30 5 9 
8 16
4,3
8,20 0
Ch! 14 12,10 12 -1
28 14 20
nel #Ch!
0 2 3 2 3
99 1
*)
