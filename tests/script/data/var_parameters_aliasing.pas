program VarParametersAliasing;
// What a var parameter on an element or field refers to while the callee changes the
// variable it came from: assigned whole, copied, resized, emptied. Records and static
// arrays are values, so the reference stays with the variable; an element of a dynamic
// array stays with that array (resized in place while nobody else shares it, as Object
// Pascal's SetLength does; kept whole for the others when it is shared). Free Pascal leaves
// the cases of a resized or dropped array undefined (its writes may land in freed memory).
type
  TPoint = record
    X, Y: integer;
  end;
  TBox = record
    Corner: TPoint;
    Tags: array of integer;
  end;
  TCorners = array[1..3] of TPoint;

var
  p, other: TPoint;
  box: TBox;
  boxes: array of TBox;
  grid: array of array of integer;
  numbers, keep: array of integer;
  fixed: TCorners;

// The record the field belongs to is replaced: the write lands in the new value.
procedure ReplaceThenWrite(var n: integer);
begin
  p := other;
  n := n + 100;
end;

// Static array assigned whole from a copy of itself, then written through the reference.
procedure ShuffleThenWrite(var n: integer);
var
  copy: TCorners;
begin
  copy := fixed;
  fixed[2] := copy[3];
  n := 7;
  copy[2].Y := -1;
end;

// The dynamic array grows: unshared, it is resized in place and keeps the element.
procedure GrowThenWrite(var n: integer);
begin
  SetLength(numbers, 6);
  n := n * 10;
end;

// Shared with another variable before the resize: the reference stays with the array
// that other variable still holds.
procedure ShareGrowThenWrite(var n: integer);
begin
  keep := numbers;
  SetLength(numbers, 8);
  n := -5;
end;

// The row of a two-dimensional dynamic array is emptied and grown again, in place.
procedure NewRowThenWrite(var n: integer);
begin
  SetLength(grid[1], 0);
  SetLength(grid[1], 2);
  n := 99;
end;

// The variable gets a new array (a copy of the first record only): the references keep to
// the old array, which only they still hold.
procedure RefillThenWrite(var pt: TPoint; var tag: integer);
begin
  boxes := Copy(boxes, 0, 1);
  pt.X := 11;
  tag := 12;
end;

// A reference handed on through two routines while the record it is in is copied.
procedure Inner(var n: integer);
begin
  other := box.Corner;
  Inc(n, 2);
end;

procedure Outer(var b: TBox);
begin
  Inner(b.Corner.Y);
  Inner(b.Tags[0]);
end;

function Show(const a: array of integer): string;
var
  k: integer;
begin
  Result := '[';
  for k := 0 to High(a) do
  begin
    if k > 0 then Result := Result + ' ';
    Result := Result + IntToStr(a[k]);
  end;
  Result := Result + ']';
end;

begin
  p.X := 1;
  other.X := 20;
  ReplaceThenWrite(p.X);
  writeLn(IntToStr(p.X) + ' ' + IntToStr(other.X));

  fixed[2].X := 2;
  fixed[3].X := 3;
  ShuffleThenWrite(fixed[2].X);
  writeLn(IntToStr(fixed[2].X) + ' ' + IntToStr(fixed[3].X) + ' ' + IntToStr(fixed[2].Y));

  numbers := [1, 2, 3];
  GrowThenWrite(numbers[1]);
  writeLn(Show(numbers));
  ShareGrowThenWrite(numbers[0]);
  writeLn(Show(numbers) + ' ' + Show(keep));

  SetLength(grid, 2);
  SetLength(grid[1], 3);
  grid[1][2] := 4;
  NewRowThenWrite(grid[1][1]);
  writeLn(IntToStr(Length(grid[1])) + ' ' + IntToStr(grid[1][1]));

  SetLength(boxes, 2);
  SetLength(boxes[1].Tags, 1);
  RefillThenWrite(boxes[1].Corner, boxes[1].Tags[0]);
  writeLn(IntToStr(Length(boxes)) + ' ' + IntToStr(boxes[0].Corner.X));

  box.Corner.Y := 1;
  SetLength(box.Tags, 1);
  Outer(box);
  writeLn(IntToStr(box.Corner.Y) + ' ' + IntToStr(other.Y) + ' ' + Show(box.Tags));
end.
(* output
120 20
7 3 0
[1 20 3 0 0 0]
[1 20 3 0 0 0 0 0] [-5 20 3 0 0 0]
2 99
1 0
3 3 [2]
*)
