// Movement: the picture shifted by this frame's displacement, given in picture coordinates.

float2 Scale = {1, 1};
float2 Direction = {0, 0};
texture Mask;
texture Background;

sampler BackgroundSampler = sampler_state {
  Texture = <Background>;
  AddressU = MIRROR;
  AddressV = MIRROR;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};
sampler MaskSampler = sampler_state {
  Texture = <Mask>;
  AddressU = CLAMP;
  AddressV = CLAMP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};

float4 MovePS(float2 uv : TEXCOORD0) : COLOR0 {
  return float4(tex2D(BackgroundSampler, uv + Direction).rgb, tex2D(MaskSampler, uv).a);
}

float4 MoveFXPS(float2 uv : TEXCOORD0) : COLOR0 {
  float3 scene = tex2D(BackgroundSampler, uv).rgb;
  float3 moved = tex2D(BackgroundSampler, uv + Direction).rgb;
  return float4(lerp(scene, moved, tex2D(MaskSampler, uv).a), 1);
}

technique Main {
  pass P0 {
    AlphaBlendEnable = TRUE;
    SrcBlend = SRCALPHA;
    DestBlend = INVSRCALPHA;
    BlendOp = ADD;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 MovePS();
  }
}

technique MainFX {
  pass P0 {
    AlphaBlendEnable = FALSE;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 MoveFXPS();
  }
}
