// A handler that adds to the message and passes the exception on: the run ends with the
// message as the handler left it.
var
  n: integer;
begin
  try
    n := StrToInt('12,5');
  except
    on E: EConvertError do
    begin
      E.Message := 'channel 3: ' + E.Message;
      raise;
    end;
  end;
end.
(* error
Exception: channel 3: '12,5' is not a valid integer value
*)
