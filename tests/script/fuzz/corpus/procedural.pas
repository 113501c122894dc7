type
  TF = function(x: double): double;
  TP = procedure(var n: integer);
  TN = function: integer;
  TR = record F: TF; P: TP; end;
var
  f, g: TF; p: TP; n: TN; r: TR; fs: array of TF; k: integer; y: double;
function Sq(x: double): double; begin Result := x * x; end;
function Id(x: double): double; begin Result := x; end;
procedure Bump(var n: integer); begin Inc(n); end;
function Seven: integer; begin Result := 7; end;
function Pick(b: boolean): TF; begin if b then Result := Sq else Result := @Id; end;
function Sum(h: TF; a, b: double): double; begin Result := h(a) + h(b); end;
begin
  f := Sq; g := @Id; r.F := f; r.P := Bump; n := Seven;
  SetLength(fs, 2); fs[0] := g; fs[1] := Pick(k = 0);
  if (f = Sq) and (@g = @Id) and (f <> g) and Assigned(n) and (fs[1] <> nil) then
    y := Sum(Pick(True), 2, 3) + fs[0](1) + r.F(2) + n;
  r.P(k); p := r.P; p(k);
  f := nil;
  y := f(y);
end.
