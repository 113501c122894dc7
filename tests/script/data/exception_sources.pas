// Each fault of the runtime and each failing routine of the system unit raises the class
// Object Pascal's runtime raises there, with its message; a handler for a parent class
// catches it.
var
  zero, minInt, i: integer;
  big, minInt64: int64;
  x, y, fzero: double;
  a: array[1..3] of integer;
  d: array of integer;
  s: string;
  bits: set of byte;
  c: TComponent;
  o: TObject;

procedure Show(E: Exception);
begin
  writeLn(E.ClassName + ': ' + E.Message);
end;

procedure Recurse(n: integer);
begin
  Recurse(n + 1);
end;

begin
  zero := 0;
  minInt := -2147483647 - 1;
  minInt64 := -9223372036854775807 - 1;
  // integers
  try i := 7 div zero; except on E: Exception do Show(E); end;
  try i := 7 mod zero; except on E: Exception do Show(E); end;
  try i := minInt div (zero - 1); except on E: Exception do Show(E); end;
  try big := minInt64 mod (zero - 1); except on E: Exception do Show(E); end;
  big := minInt;
  big := big div (zero - 1);
  writeLn('Int64 quotient of Low(Integer) div -1: ' + IntToStr(big));
  // floats
  fzero := 0;
  try x := 1 / fzero; except on E: Exception do Show(E); end;
  try x := fzero / fzero; except on E: Exception do Show(E); end;
  x := 1e308;
  try y := x * 10; except on E: Exception do Show(E); end;
  try y := x + x; except on E: Exception do Show(E); end;
  try y := Sqr(x); except on E: Exception do Show(E); end;
  try y := Sqrt(fzero - 1); except on E: Exception do Show(E); end;
  try y := Ln(fzero); except on E: Exception do Show(E); end;
  try y := Exp(1000); except on E: Exception do Show(E); end;
  try y := Power(10, 400); except on E: Exception do Show(E); end;
  try big := Round(x); except on E: Exception do Show(E); end;
  // indexes
  i := 4;
  try a[i] := 1; except on E: Exception do Show(E); end;
  try writeLn(IntToStr(d[0])); except on E: Exception do Show(E); end;
  s := 'abc';
  try s[i] := 'd'; except on E: Exception do Show(E); end;
  try writeLn(s[0]); except on E: Exception do Show(E); end;
  i := 256;
  try bits := [i]; except on E: Exception do Show(E); end;
  try Include(bits, i); except on E: Exception do Show(E); end;
  // objects
  try writeLn(c.Name); except on E: Exception do Show(E); end;
  try with c do Name := 'x'; except on E: Exception do Show(E); end;
  o := TComponent.Create(nil);
  try writeLn((o as Exception).Message); except on E: Exception do Show(E); end;
  o := nil;
  try raise o; except on E: Exception do Show(E); end;
  try Recurse(0); except on E: Exception do Show(E); end;
  // conversions of the system unit
  try i := StrToInt('abc'); except on E: Exception do Show(E); end;
  try i := StrToInt('3000000000'); except on E: Exception do Show(E); end;
  try big := StrToInt64('12x'); except on E: Exception do Show(E); end;
  try x := StrToFloat('1.2.3'); except on E: Exception do Show(E); end;
  // Abort and Assert
  try Abort; except on E: Exception do Show(E); end;
  try Assert(zero = 1); except on E: Exception do Show(E); end;
  try Assert(zero = 1, 'zero is ' + IntToStr(zero)); except on E: Exception do Show(E); end;
  try Assert(zero = 1, ''); except on E: Exception do Show(E); end;
  Assert(zero = 0, 'never evaluated: ' + IntToStr(10 div zero));
end.
(* output
EDivByZero: Division by zero
EDivByZero: Division by zero
EIntOverflow: Integer overflow
EIntOverflow: Integer overflow
Int64 quotient of Low(Integer) div -1: 2147483648
EZeroDivide: Division by zero
EInvalidOp: Invalid floating point operation
EOverflow: Floating point overflow
EOverflow: Floating point overflow
EOverflow: Floating point overflow
EInvalidOp: Invalid floating point operation
EInvalidOp: Invalid floating point operation
EOverflow: Floating point overflow
EOverflow: Floating point overflow
EInvalidOp: Invalid floating point operation
ERangeError: Range check error: index 4 is outside 1..3
ERangeError: Range check error: index 0 of an empty array
ERangeError: Range check error: index 4 is outside 1..3
ERangeError: Range check error: index 0 is outside 1..3
ERangeError: Range check error: 256 is outside the set range 0..255
ERangeError: Range check error: 256 is outside the set range 0..255
EAccessViolation: Access to a nil object: property 'Name' was read from nil
EAccessViolation: Access to a nil object in 'with'
EInvalidCast: Invalid class typecast: 'TComponent' is not 'Exception'
EAccessViolation: Access to a nil object: 'raise' of nil
EStackOverflow: Stack overflow: more than 1000 nested calls
EConvertError: 'abc' is not a valid integer value
EConvertError: '3000000000' is not a valid integer value
EConvertError: '12x' is not a valid integer value
EConvertError: '1.2.3' is not a valid floating point value
EAbort: Operation aborted
EAssertionFailed: Assertion failed (line 75)
EAssertionFailed: zero is 0 (line 76)
EAssertionFailed: Assertion failed (line 77)
*)
